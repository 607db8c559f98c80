#include "curve_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "diameter.h"
#include "height_by_site_index.h"
#include "numeric.h"
#include "site_index_height.h"
#include "species.h"

namespace vzorce {
namespace {

struct Row {
  SpeciesIndex species;
  int siteIndex, age;
};

std::vector<Row> SiteClassDomain() {
  std::vector<Row> rows;
  for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
    const SiteIndexRange range = SiteIndexRangeOf(s);
    for (int S = range.lowest; S <= range.highest; S += 2) {
      for (int age = 15; age <= MaximumAge(s); age += 5) rows.push_back({s, S, age});
    }
  }
  return rows;
}

// The bits of a diameter, or the error it raised.
std::string DiameterOutcome(SpeciesIndex species, double age, double height) {
  try {
    return std::to_string(std::bit_cast<std::uint64_t>(Diameter(species, age, height)));
  } catch (const FloatingPointError& e) {
    return e.what();
  }
}

// Height and diameter of a row, and diameters beyond the species' curves, where
// the extrapolations, the proportional estimate and their errors come in.
std::vector<std::string> Results(const Row& r) {
  const double h = HeightBySiteIndex(r.species, r.age, r.siteIndex);
  return {std::to_string(std::bit_cast<std::uint64_t>(h)), DiameterOutcome(r.species, r.age, h),
          DiameterOutcome(r.species, r.age, 1.5 * h), DiameterOutcome(r.species, r.age, 0.5 * h)};
}

TEST(CurveCache, RemembersExactlyWhatItComputed) {
  std::vector<Row> rows = SiteClassDomain();
  std::vector<std::vector<std::string>> fresh;
  for (const Row& r : rows) {
    ClearCurveCaches();
    fresh.push_back(Results(r));
  }
  // Warm, in another order, so that every curve is reused by other rows.
  std::vector<std::size_t> order(rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  ClearCurveCaches();
  for (std::size_t i : order) ASSERT_EQ(Results(rows[i]), fresh[i]) << "row " << i;
  EXPECT_GT(ClearCurveCaches(), 0u);
}

TEST(CurveCache, ForgetsFailures) {
  ClearCurveCaches();
  EXPECT_THROW(HeightCurve(0, 20, std::numeric_limits<double>::quiet_NaN()), InvalidOperationError);
  EXPECT_EQ(ClearCurveCaches(), 0u);
  EXPECT_THROW(HeightCurve(0, 20, std::numeric_limits<double>::quiet_NaN()), InvalidOperationError);
}

}  // namespace
}  // namespace vzorce
