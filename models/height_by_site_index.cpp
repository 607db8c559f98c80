#include "height_by_site_index.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "numeric.h"
#include "site_index_height.h"
#include "young_stand.h"

namespace vzorce {
namespace {

struct Interpolated {
  double thresholdAge;
  double referenceHeight;
};

// The threshold of a site index between two whole ones, or nothing where the
// site index rounds outside the table. The table ends at 39; a fraction above
// 39 keeps the entry for 39.
std::optional<Interpolated> ThresholdFor(SpeciesIndex species, double siteIndex) {
  const std::int64_t whole = RoundToInteger(siteIndex - 0.49999L);
  if (whole < kLowestThresholdSiteIndex || whole > kHighestThresholdSiteIndex) return std::nullopt;
  const double fraction = Store(siteIndex - static_cast<Extended>(whole));
  const YoungStandThreshold below = YoungStandThresholdAt(species, static_cast<int>(whole));
  const YoungStandThreshold above =
      YoungStandThresholdAt(species, static_cast<int>(std::min<std::int64_t>(whole + 1, kHighestThresholdSiteIndex)));
  const Extended weightBelow = 1 - static_cast<Extended>(fraction);
  return Interpolated{Store(weightBelow * below.age + static_cast<Extended>(fraction) * above.age),
                      Store(weightBelow * below.referenceHeight + static_cast<Extended>(fraction) * above.referenceHeight)};
}

}  // namespace

bool TakesYoungStandPath(SpeciesIndex species, double age, double siteIndex) {
  if (!IsYoungStandSpecies(species)) return false;
  const std::optional<Interpolated> threshold = ThresholdFor(species, siteIndex);
  return threshold && !(Ordered(age) >= threshold->thresholdAge);
}

double HeightBySiteIndex(SpeciesIndex species, double age, double siteIndex) {
  if (!IsYoungStandSpecies(species)) return SiteIndexHeight(species, age, siteIndex);
  const std::optional<Interpolated> threshold = ThresholdFor(species, siteIndex);
  if (!threshold) return 0;
  if (Ordered(age) >= threshold->thresholdAge) return SiteIndexHeight(species, age, siteIndex);
  const std::int64_t wholeAge = RoundToInteger(age);
  if (wholeAge < std::numeric_limits<std::int32_t>::min()) throw InvalidOperationError();
  return YoungStandHeightInversion(species, YoungStandCurve(static_cast<std::int32_t>(wholeAge), species, threshold->referenceHeight));
}

}  // namespace vzorce
