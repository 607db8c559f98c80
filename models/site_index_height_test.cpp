#include "site_index_height.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "numeric.h"
#include "printed_value_matcher.h"

namespace vzorce {
namespace {

TEST(SiteIndexHeight, MatchesReferenceHeights) {
  EXPECT_TRUE(MatchesPrinted(SiteIndexHeight(0, 15, 26), "3.6055"));
  EXPECT_TRUE(MatchesPrinted(SiteIndexHeight(0, 30, 26), "10.0936"));
  EXPECT_TRUE(MatchesPrinted(SiteIndexHeight(0, 50, 26), "17.5085"));
  EXPECT_TRUE(MatchesPrinted(SiteIndexHeight(0, 150, 26), "27.9489"));
  EXPECT_TRUE(MatchesPrinted(SiteIndexHeight(12, 50, 40), "25.8393"));
  EXPECT_TRUE(MatchesPrinted(SiteIndexHeight(3, 15, 18), "0.7525"));
}

TEST(SiteIndexHeight, PassesThroughTheSiteIndexAtAge100) {
  for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
    const SiteIndexRange range = SiteIndexRangeOf(s);
    for (double S = range.lowest; S <= range.highest; S += 0.25) {
      const double h = SiteIndexHeight(s, 100, S);
      EXPECT_NEAR(h, S, 8 * std::numeric_limits<double>::epsilon() * S) << "species " << int(s) << " S " << S;
    }
  }
}

TEST(SiteIndexHeight, ClampsTheSiteIndexToTheSpeciesRange) {
  EXPECT_DOUBLE_EQ(SiteIndexHeight(0, 100, 10), 14);
  for (double age : {15.0, 50.0, 150.0}) {
    EXPECT_EQ(SiteIndexHeight(0, age, 10), SiteIndexHeight(0, age, 14));
    EXPECT_EQ(SiteIndexHeight(0, age, 45), SiteIndexHeight(0, age, 38));
    EXPECT_NE(SiteIndexHeight(0, age, 45), HeightCurve(0, age, 45));
  }
}

TEST(SiteIndexHeight, ReturnsZeroWhereArithmeticFails) {
  for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
    EXPECT_EQ(SiteIndexHeight(s, 0, 26), 0.0);   // the base of the last power is 0
    EXPECT_EQ(SiteIndexHeight(s, -5, 26), 0.0);  // ... or negative
    EXPECT_EQ(SiteIndexHeight(s, 50, std::numeric_limits<double>::quiet_NaN()), 0.0);
  }
  EXPECT_EQ(SiteIndexHeight(13, 50, 26), 0.0);
  EXPECT_EQ(SiteIndexHeight(14, 50, 26), 0.0);
}

TEST(HeightCurve, LetsArithmeticErrorsThrough) {
  EXPECT_THROW(HeightCurve(0, 0, 26), DivisionByZeroError);
  EXPECT_THROW(HeightCurve(0, -5, 26), InvalidOperationError);
  EXPECT_THROW(HeightCurve(13, 50, 26), UnmodelledSpecies);
}

}  // namespace
}  // namespace vzorce
