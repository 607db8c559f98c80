#include "height_by_site_index.h"

#include <gtest/gtest.h>

#include "printed_value_matcher.h"
#include "site_index_height.h"
#include "young_stand.h"

namespace vzorce {
namespace {

TEST(HeightBySiteIndex, FollowsTheYoungStandModelBelowTheThreshold) {
  // Species 0, S = 14: threshold age 53, reference height 20.74.
  EXPECT_TRUE(TakesYoungStandPath(0, 50, 14));
  EXPECT_TRUE(MatchesPrinted(HeightBySiteIndex(0, 50, 14), "9.2374"));
  EXPECT_TRUE(TakesYoungStandPath(0, 52.9, 14));
  EXPECT_TRUE(MatchesPrinted(HeightBySiteIndex(0, 52.9, 14), "9.8505"));
  EXPECT_FALSE(TakesYoungStandPath(0, 53, 14));
  EXPECT_TRUE(MatchesPrinted(HeightBySiteIndex(0, 53, 14), "9.8565"));
  EXPECT_TRUE(MatchesPrinted(HeightBySiteIndex(0, 55, 14), "10.2529"));
  EXPECT_EQ(HeightBySiteIndex(0, 55, 14), SiteIndexHeight(0, 55, 14));
}

TEST(HeightBySiteIndex, InterpolatesBetweenWholeSiteIndices) {
  // S = 14.5: threshold 53, reference height 21.29.
  EXPECT_TRUE(MatchesPrinted(HeightBySiteIndex(0, 50, 14.5), "9.5537"));
  EXPECT_TRUE(TakesYoungStandPath(0, 52.9, 14.5));
}

TEST(HeightBySiteIndex, LimitsOnlyYoungStandSpeciesToTheTable) {
  for (double age : {15.0, 50.0, 150.0}) EXPECT_EQ(HeightBySiteIndex(0, age, 11.5), 0.0);
  EXPECT_EQ(HeightBySiteIndex(0, 80, 39.999995), 0.0);
  EXPECT_EQ(HeightBySiteIndex(0, 80, 11.999985), 0.0);
  EXPECT_GT(HeightBySiteIndex(0, 80, 11.999995), 0.0);
  EXPECT_TRUE(MatchesPrinted(HeightBySiteIndex(2, 50, 11.5), "10.0246"));
  EXPECT_EQ(HeightBySiteIndex(2, 50, 11.5), SiteIndexHeight(2, 50, 14));
}

TEST(HeightBySiteIndex, IsTheSiteIndexHeightModelForOtherSpecies) {
  for (double age : {-5.0, 0.0, 15.0, 33.3, 150.0}) {
    for (double S : {5.0, 14.0, 27.5, 60.0}) EXPECT_EQ(HeightBySiteIndex(2, age, S), SiteIndexHeight(2, age, S));
  }
}

TEST(HeightBySiteIndex, ThresholdZeroMeansNeverYoung) {
  EXPECT_FALSE(TakesYoungStandPath(4, 0, 22));
  EXPECT_TRUE(MatchesPrinted(HeightBySiteIndex(4, 50, 22), "15.8854"));
}

TEST(HeightBySiteIndex, CoversTheSiteClassDomainWith110YoungStands) {
  int young = 0;
  for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
    const SiteIndexRange range = SiteIndexRangeOf(s);
    for (int S = range.lowest; S <= range.highest; S += 2) {
      for (int age = 15; age <= MaximumAge(s); age += 5) {
        young += TakesYoungStandPath(s, age, S);
        const double h = HeightBySiteIndex(s, age, S);
        EXPECT_GT(h, 0) << int(s) << " " << S << " " << age;
      }
    }
  }
  EXPECT_EQ(young, 110);
}

}  // namespace
}  // namespace vzorce
