#include "site_index_height.h"

#include <stdexcept>

#include "curve_cache.h"
#include "growth_curve.h"
#include "guarded_power.h"
#include "numeric.h"

namespace vzorce {
namespace {

constexpr double kReferenceAge = 100;

// One row per modelled species: scale A, rate B, shape C (see growth_terms.h).
constexpr CoefficientRow kHeightCoefficients[kModelledSpeciesCount] = {
    {-2.304044e-08, -3.298132e-05, 0.003637155, -0.1307877, 3.066846, -11.53434,  // SM
     6.613055e-10, -5.04623e-08, 5.442134e-07, 7.075253e-05, -0.004124547, 0.09686884,
     4.50891e-08, -8.505454e-06, 0.0005286943, -0.01380787, 0.1783321, -0.7748832},
    {3.597726e-07, -3.465371e-05, 0.0009011718, 0.004157837, 0.708835, 2.343035,  // BO
     1.709353e-10, 2.189214e-08, -4.206355e-06, 0.0002643379, -0.008044235, 0.1229302,
     6.542925e-08, -9.074047e-06, 0.0003986828, -0.006726368, 0.07088921, -0.2266258},
    {-1.128282e-06, 9.045884e-05, -0.0008155441, -0.08990404, 3.727922, -21.76176,  // MD
     3.835147e-09, -3.269676e-07, 3.905486e-06, 0.0003640033, -0.01376823, 0.17877,
     -7.17727e-08, 4.11511e-06, 6.257978e-05, -0.007330625, 0.17212, -1.100393},
    {1.65329e-06, -0.0001751517, 0.004138547, 0.1272093, -5.167828, 65.64729,  // JD
     -5.453397e-09, 5.283113e-07, -7.946327e-06, -0.0006273699, 0.02302569, -0.183186,
     3.306081e-08, -2.417973e-06, -0.0001271082, 0.01495002, -0.3886583, 3.410419},
    {1.981522e-07, -2.487129e-05, 0.0009822339, -0.01136986, 1.090875, -0.4426131,  // DB
     1.954306e-09, -2.150352e-07, 7.156478e-06, 2.68002e-05, -0.006085214, 0.1165194,
     9.64654e-08, -1.128614e-05, 0.00043738, -0.006500127, 0.06349622, -0.1840514},
    {-1.928343e-06, 0.0001657751, -0.003880168, -0.01169429, 2.648134, -16.19054,  // BK
     8.048343e-09, -8.539291e-07, 2.844903e-05, -7.853354e-05, -0.01367818, 0.2303669,
     -4.031396e-08, 9.4399e-07, 7.461541e-05, -0.001929691, 0.03163752, -0.2354654},
    {1.529042e-07, -2.072385e-05, 0.001972328, -0.1113898, 3.849772, -23.63632,  // JS
     -9.292794e-11, 1.148909e-08, -5.470603e-06, 0.0005014346, -0.01568612, 0.1914133,
     -7.10563e-09, 6.020485e-07, -0.0001184371, 0.008499026, -0.1784131, 1.385298},
    {-1.713646e-07, -1.398458e-05, 0.002274657, -0.08481061, 2.277359, -6.636608,  // BR
     4.734185e-09, -2.223046e-08, -2.537221e-05, 0.001208234, -0.02237025, 0.2030692,
     -2.233866e-08, -1.432984e-05, 0.001323294, -0.04000124, 0.5353965, -2.529534},
    {4.425651e-06, -0.0005205919, 0.02282283, -0.4588501, 5.211632, -13.14337,  // OL
     -3.55683e-08, 4.265322e-06, -0.0001915342, 0.003999899, -0.03977616, 0.1984716,
     7.839453e-07, -9.684457e-05, 0.004293596, -0.08111473, 0.6212718, -0.9455016},
    {1.700879e-07, 1.544198e-05, -0.002461942, 0.09293992, -0.3532861, 7.373779,  // TP
     -5.324919e-09, 7.530764e-08, 2.424123e-05, -0.00111876, 0.01611847, -0.02408234,
     2.493816e-07, -2.162628e-05, 0.0003529915, 0.01320233, -0.3892919, 2.844032},
    {-3.835152e-06, 0.0004787659, -0.01920268, 0.3378964, -1.630517, 7.4384,  // HB
     -1.060861e-07, 7.642516e-06, -0.0002432427, 0.00445843, -0.04713587, 0.2603153,
     6.509116e-07, -3.873089e-05, 0.001079253, -0.01871586, 0.2257518, -0.8974645},
    {4.511268e-07, 8.903867e-06, -0.001975259, 0.05940642, 0.3438057, 2.466352,  // AK
     -1.357591e-07, 6.039274e-06, -8.044033e-06, -0.002858265, 0.0400159, -0.07390255,
     1.778483e-06, -9.704786e-05, 0.001141687, 0.01882119, -0.4074228, 2.023912},
    {1.867225e-06, -2.719922e-05, -0.005458192, 0.08409866, 6.19782, -100.5137,  // DG
     -1.073444e-08, 8.448094e-07, -1.015984e-05, -0.0005982188, 0.01458878, -0.02500446,
     5.509293e-08, -9.113789e-07, -0.0001551623, 0.002336417, 0.1824447, -3.516636},
};

// The clamp compares exactly as written, so a site index that is not a number
// fails the first comparison.
double ClampedSiteIndex(SpeciesIndex species, double siteIndex) {
  const SiteIndexRange range = SiteIndexRangeOf(species);
  if (range.lowest > Ordered(siteIndex)) siteIndex = range.lowest;
  if (!(range.highest >= siteIndex)) siteIndex = range.highest;
  return siteIndex;
}

}  // namespace

double HeightCurve(SpeciesIndex species, double age, double siteIndex) {
  if (!IsModelledSpecies(species)) throw UnmodelledSpecies(species, "height model");
  return HeightCurveValues().Get(species, age, siteIndex, [&] {
    // Anchored at the site index itself at the reference age; the height uses e^(-B·t).
    const AnchoredCurve& curve = HeightCurves().Get(species, siteIndex, [&] {
      const GrowthTerms terms = GrowthTermsAt(kHeightCoefficients[species], siteIndex);
      return AnchorCurve(terms, -terms.rate, kReferenceAge, siteIndex);
    });
    return AnchoredCurveAt(curve, age);
  });
}

double SiteIndexHeight(SpeciesIndex species, double age, double siteIndex) {
  if (!IsModelledSpecies(species)) return 0;
  try {
    return HeightCurve(species, age, ClampedSiteIndex(species, siteIndex));
  } catch (const FloatingPointError&) {
    return 0;
  }
}

}  // namespace vzorce
