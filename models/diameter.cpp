#include "diameter.h"

#include <cmath>
#include <stdexcept>
#include <vector>

#include "curve_cache.h"
#include "growth_curve.h"
#include "guarded_power.h"
#include "numeric.h"
#include "site_index_height.h"

namespace vzorce {
namespace {

constexpr int kHalvingSteps = 12;
constexpr Extended kHeightTolerance = 0.1L;
constexpr double kHeightSubstitutionLimit = 44;
constexpr double kReferenceAge = 140;
constexpr double kAnchorSpacing = 2;
constexpr Extended kLookupOffset = 0.49999L;

// Diameter group of each modelled species.
constexpr int kDiameterGroups[kModelledSpeciesCount] = {1, 2, 2, 1, 4, 3, 3, 3, 3, 4, 3, 4, 1};

struct GroupParameters {
  double lowerBound;   // L, site index
  double upperBound;   // U, site index
  bool youthReduced;   // the youth reduction factor applies
  int referenceBase;   // b: entry k belongs to the site index b + 2k
  std::vector<double> referenceDiameters;  // at 140 years, entries k = 1..n
};

const GroupParameters kGroups[4] = {
    {16, 34, false, 12, {26.0, 26.7, 27.5, 28.5, 30.0, 32.0, 34.0, 37.5, 41.0, 44.0, 47.0, 50.0, 52.0}},
    {12, 28, false, 10, {20.0, 22.5, 25.0, 27.5, 29.8, 32.3, 34.8, 37.1, 39.3, 41.3, 43.0, 44.5}},
    {18, 32, true, 14, {25.0, 28.5, 32.0, 35.0, 37.0, 38.75, 40.25, 41.5, 42.5, 43.5, 44.5, 45.5}},
    {12, 28, true, 10, {20.0, 23.75, 27.3, 31.0, 35.25, 39.5, 43.0, 47.0, 51.0, 55.0, 59.0, 63.0}},
};

// One row per diameter group: scale A, rate B, shape C (see growth_terms.h).
constexpr CoefficientRow kDiameterCoefficients[4] = {
    {-1.887084e-05, 0.001259929, -0.007378246, -0.9981481, 24.01539, -131.1494,
     -1.178762e-08, 9.035181e-07, -1.324214e-05, -0.0004857117, 0.01645924, -0.1561573,
     -3.014303e-07, 2.217066e-05, -0.0002345338, -0.01605118, 0.4765553, -3.281729},
    {-1.994656e-05, 0.001164737, -0.01266953, -0.3599403, 9.882674, -43.55483,
     -2.668656e-08, 1.629286e-06, -1.587119e-05, -0.0008348117, 0.02308296, -0.2002445,
     -4.621927e-07, 2.691818e-05, -0.0003064052, -0.007492812, 0.2251855, -1.349112},
    {-3.162356e-05, 0.00165559, 0.02353786, -2.928879, 63.51174, -414.1723,
     -2.193794e-08, 1.279243e-06, 1.209971e-05, -0.002263304, 0.0546074, -0.4392679,
     -8.836726e-07, 4.786488e-05, 0.0006434883, -0.08510038, 1.839843, -12.33634},
    {4.479084e-05, -0.009709512, 0.549078, -12.53414, 127.6072, -464.0638,
     -2.108188e-09, 8.719944e-07, -6.52649e-05, 0.001791752, -0.01721616, 0.006950538,
     -1.956387e-07, 3.46442e-05, -0.002331756, 0.06975686, -0.8709402, 4.012884},
};

struct YouthArguments {
  double s0, s1, tmax, mmax;
};
constexpr YouthArguments kYouthArguments = {-100, 34, 100, 0.4};

int GroupIndex(int group) {
  if (group < 1 || group > 4) throw std::out_of_range("no such diameter group");
  return group - 1;
}

const GroupParameters& Group(int group) { return kGroups[GroupIndex(group)]; }

double YouthReductionFactor(double age, double siteIndex) {
  const YouthArguments& y = kYouthArguments;
  return Store(1 - static_cast<Extended>(YouthReductionTerm(age, siteIndex, y.s0, y.s1, y.tmax, y.mmax)));
}

// The diameter on the secant, in height, through the curves of the bound and of
// the site index 2 inside it.
double Extrapolate(SpeciesIndex species, int group, double age, double bound, double inner, double height,
                   double factor) {
  const double boundDiameter = GroupDiameterCurve(group, bound, age);
  const double innerDiameter = GroupDiameterCurve(group, inner, age);
  const double boundHeight = SiteIndexHeight(species, age, bound);
  const double innerHeight = SiteIndexHeight(species, age, inner);
  const Extended slope = Divide(static_cast<Extended>(boundDiameter) - innerDiameter,
                                static_cast<Extended>(boundHeight) - innerHeight);
  return Store((slope * (static_cast<Extended>(height) - boundHeight) + boundDiameter) * factor);
}

}  // namespace

int DiameterGroup(SpeciesIndex species) {
  if (!IsModelledSpecies(species)) throw UnmodelledSpecies(species, "diameter group");
  return kDiameterGroups[species];
}

DiameterGroupBounds DiameterGroupBoundsOf(int group) {
  const GroupParameters& g = Group(group);
  return {g.lowerBound, g.upperBound};
}

double SiteIndexInversion(SpeciesIndex species, double age, double height) {
  if (species == 14) return 0;
  const SiteIndexRange range = SiteIndexRangeOf(species);
  double x = Store(static_cast<Extended>(range.lowest + range.highest) / 2);
  double step = Store(static_cast<Extended>(range.highest - range.lowest) / 2);
  double y = 0;
  for (int pass = 0; pass < kHalvingSteps; ++pass) {
    y = HeightCurve(species, age, x);
    x = Store(Ordered(static_cast<Extended>(height) - y) > 0 ? static_cast<Extended>(x) + step
                                                              : static_cast<Extended>(x) - step);
    if (x > range.highest) x = range.highest;
    if (x < range.lowest) x = range.lowest;
    step = Store(static_cast<Extended>(step) / 2);
  }
  if (std::fabs(static_cast<Extended>(height) - y) <= kHeightTolerance) return x;
  return Store(Divide(static_cast<Extended>(height) * x, y));
}

double ReferenceDiameter(int group, double siteIndex) {
  const GroupParameters& g = Group(group);
  const auto& entries = g.referenceDiameters;
  const auto n = static_cast<std::int64_t>(entries.size());
  const double v = Store((static_cast<Extended>(siteIndex) - g.referenceBase) / 2);
  const std::int64_t k = RoundToInteger(v - kLookupOffset);
  if (k >= 1 && k < n) {
    const double u = Store(v - static_cast<Extended>(k));
    return Store((1 - static_cast<Extended>(u)) * entries[k - 1] + static_cast<Extended>(u) * entries[k]);
  }
  return k >= n ? entries[n - 1] : entries[0];
}

double GroupDiameterCurve(int group, double siteIndex, double age) {
  const int row = GroupIndex(group);
  // Anchored at the reference diameter at 140 years; the diameter uses e^(+B·t).
  const AnchoredCurve& curve = DiameterCurves().Get(row, siteIndex, [&] {
    const GrowthTerms terms = GrowthTermsAt(kDiameterCoefficients[row], siteIndex);
    return AnchorCurve(terms, terms.rate, kReferenceAge, ReferenceDiameter(group, siteIndex));
  });
  return AnchoredCurveAt(curve, age);
}

double YouthReductionTerm(double age, double siteIndex, double s0, double s1, double tmax, double mmax) {
  const double q = Store(Divide(static_cast<Extended>(siteIndex) - s0, static_cast<Extended>(s1) - s0));
  const double limitAge = Store(static_cast<Extended>(q) * tmax);
  if (!(Ordered(limitAge) > 0)) return 0;
  double maximum = Store(static_cast<Extended>(q) * mmax);
  if (maximum < 0) maximum = 0;
  if (!(limitAge > Ordered(age))) return 0;
  const double r = Store(Divide(static_cast<Extended>(limitAge) - age, limitAge));
  return Store(static_cast<Extended>(maximum) * r * r);
}

double DiameterFromSiteIndex(SpeciesIndex species, double age, double siteIndex, double height) {
  const int group = DiameterGroup(species);
  const GroupParameters& g = Group(group);
  const double factor = g.youthReduced ? YouthReductionFactor(age, siteIndex) : 1;
  if (g.lowerBound <= Ordered(siteIndex) && siteIndex <= g.upperBound) {
    return Store(static_cast<Extended>(factor) * GroupDiameterCurve(group, siteIndex, age));
  }
  if (siteIndex > g.upperBound) {
    const double substituted = siteIndex > kHeightSubstitutionLimit ? height : SiteIndexHeight(species, age, siteIndex);
    return Extrapolate(species, group, age, g.upperBound, g.upperBound - kAnchorSpacing, substituted, factor);
  }
  return Extrapolate(species, group, age, g.lowerBound, g.lowerBound + kAnchorSpacing,
                     SiteIndexHeight(species, age, siteIndex), factor);
}

double Diameter(SpeciesIndex species, double age, double height) {
  return DiameterFromSiteIndex(species, age, SiteIndexInversion(species, age, height), height);
}

}  // namespace vzorce
