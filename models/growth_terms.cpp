#include "growth_terms.h"

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

}  // namespace vzorce
