#include "growth_curve.h"

#include "guarded_power.h"
#include "numeric.h"

namespace vzorce {
namespace {

struct SiteIndexPowers {
  double s5, s4, s3, s2, s1;
};

double Term(const CoefficientRow& row, int first, const SiteIndexPowers& p) {
  Extended sum = static_cast<Extended>(row[first]) * p.s5;
  sum += static_cast<Extended>(row[first + 1]) * p.s4;
  sum += static_cast<Extended>(row[first + 2]) * p.s3;
  sum += static_cast<Extended>(row[first + 3]) * p.s2;
  sum += static_cast<Extended>(row[first + 4]) * p.s1;
  sum += row[first + 5];
  return Store(sum);
}

}  // namespace

GrowthTerms GrowthTermsAt(const CoefficientRow& row, double siteIndex) {
  const SiteIndexPowers powers{GuardedPower(siteIndex, 5), GuardedPower(siteIndex, 4),
                               GuardedPower(siteIndex, 3), GuardedPower(siteIndex, 2), siteIndex};
  return {Term(row, 0, powers), Term(row, 6, powers), Term(row, 12, powers)};
}

AnchoredCurve AnchorCurve(const GrowthTerms& terms, double exponentRate, double anchorAge, double anchorValue) {
  const double shapeExponent = Store(Divide(1, terms.shape));
  const double reference =
      Store(GuardedPower(Store(1 - Exp(static_cast<Extended>(anchorAge) * exponentRate)), shapeExponent) *
            static_cast<Extended>(terms.scale));
  const double scaleFactor = Store(Divide(static_cast<Extended>(anchorValue) * terms.scale, reference));
  return {exponentRate, shapeExponent, scaleFactor};
}

double AnchoredCurveAt(const AnchoredCurve& curve, double age) {
  return Store(GuardedPower(Store(1 - Exp(static_cast<Extended>(curve.exponentRate) * age)), curve.shapeExponent) *
               static_cast<Extended>(curve.scaleFactor));
}

}  // namespace vzorce
