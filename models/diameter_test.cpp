#include "diameter.h"

#include <gtest/gtest.h>

#include <string>

#include "numeric.h"
#include "printed_value_matcher.h"
#include "site_index_height.h"

namespace vzorce {
namespace {

TEST(SiteIndexInversion, HalvesTowardsTheSiteIndexOfTheHeight) {
  // Probes 26, 14, 20, ... 23.99609375; the last update lands on 24 + 1/512.
  EXPECT_EQ(SiteIndexInversion(0, 100, 24), 24 + 1.0 / 512);
  EXPECT_TRUE(MatchesPrinted(Diameter(0, 100, 24), "27.42"));
  EXPECT_EQ(RoundToTenths(Diameter(0, 100, 24)), 27.4);
}

TEST(SiteIndexInversion, TiesGoDown) {
  EXPECT_EQ(SiteIndexInversion(0, 50, HeightCurve(0, 50, 14)), 14.0);
  for (int S = 20; S <= 34; S += 2) {
    EXPECT_EQ(SiteIndexInversion(6, 70, HeightCurve(6, 70, S)), S - 1.0 / 256) << S;
  }
  EXPECT_EQ(SiteIndexInversion(14, 50, 20), 0.0);
  EXPECT_THROW(SiteIndexInversion(13, 50, 20), UnmodelledSpecies);
}

TEST(SiteIndexInversion, EstimatesHeightsBeyondTheRangeProportionally) {
  for (double h : {41.0, 42.0, 43.0}) {
    EXPECT_NEAR(SiteIndexInversion(12, 100, h), h, 1e-12) << h;
    EXPECT_TRUE(MatchesPrinted(Diameter(12, 100, h), "44.51")) << h;
  }
  EXPECT_NEAR(SiteIndexInversion(12, 100, 44.5), 44.5, 1e-12);
  EXPECT_TRUE(MatchesPrinted(Diameter(12, 100, 44.5), "49.16"));
  EXPECT_TRUE(MatchesPrinted(Diameter(12, 100, 50), "54.84"));
  EXPECT_NEAR(SiteIndexInversion(10, 100, 30), 30, 1e-12);
  EXPECT_TRUE(MatchesPrinted(Diameter(10, 100, 30), "33.60"));
}

TEST(Diameter, MatchesReferenceDiameters) {
  struct Case {
    SpeciesIndex species;
    double age, height;
    double rounded;
  };
  for (const Case& c : {Case{2, 100, 40, 45.9}, Case{10, 50, 8, 7.4}, Case{5, 30, 10, 7.4}, Case{7, 50, 15, 11.2}}) {
    EXPECT_EQ(RoundToTenths(Diameter(c.species, c.age, c.height)), c.rounded)
        << int(c.species) << " " << c.age << " " << c.height;
  }
  EXPECT_TRUE(MatchesPrinted(SiteIndexInversion(2, 100, 40), "39.9937"));
  EXPECT_TRUE(MatchesPrinted(SiteIndexInversion(5, 30, 10), "25.91"));
}

TEST(Diameter, HasNoLowerLimit) {
  EXPECT_TRUE(MatchesPrinted(Diameter(10, 15, SiteIndexHeight(10, 15, 10)), "-0.297"));
  EXPECT_TRUE(MatchesPrinted(Diameter(10, 15, SiteIndexHeight(10, 15, 12)), "-0.096"));
  EXPECT_TRUE(MatchesPrinted(Diameter(10, 20, SiteIndexHeight(10, 20, 10)), "-0.094"));
  EXPECT_TRUE(MatchesPrinted(Diameter(7, 15, SiteIndexHeight(7, 15, 12)), "-0.019"));
}

TEST(ReferenceDiameter, InterpolatesAndHoldsTheEnds) {
  EXPECT_DOUBLE_EQ(ReferenceDiameter(1, 25), 33.0);
  EXPECT_DOUBLE_EQ(ReferenceDiameter(3, 25), 37.875);
  EXPECT_EQ(ReferenceDiameter(1, 13), 26.0);
  EXPECT_EQ(ReferenceDiameter(1, 39), 52.0);
  EXPECT_EQ(ReferenceDiameter(2, 35), 44.5);
  EXPECT_EQ(ReferenceDiameter(4, 11), 20.0);
  EXPECT_TRUE(MatchesPrinted(ReferenceDiameter(1, 15.99999), "26.699996"));
  EXPECT_THROW(ReferenceDiameter(5, 20), std::out_of_range);
}

TEST(GroupDiameterCurve, ReachesTheReferenceDiameterAt140) {
  EXPECT_NEAR(GroupDiameterCurve(1, 25, 140), 33.0, 1e-12);
  EXPECT_NEAR(GroupDiameterCurve(3, 25, 140), 37.875, 1e-12);
  EXPECT_NEAR(GroupDiameterCurve(4, 20, 140), 35.25, 1e-12);
}

double YouthReductionFactor(double age, double siteIndex) {
  return 1 - YouthReductionTerm(age, siteIndex, -100, 34, 100, 0.4);
}

TEST(YouthReduction, ShrinksYoungStandsOnly) {
  EXPECT_DOUBLE_EQ(YouthReductionFactor(50, 34), 0.9);
  EXPECT_DOUBLE_EQ(YouthReductionFactor(15, 34), 0.711);
  EXPECT_EQ(YouthReductionFactor(100, 34), 1.0);
  EXPECT_EQ(YouthReductionFactor(140, 34), 1.0);
  EXPECT_EQ(YouthReductionFactor(90, 10), 1.0);  // T ≈ 82.09
  EXPECT_LT(YouthReductionFactor(80, 10), 1.0);
  EXPECT_EQ(YouthReductionTerm(50, -100, -100, 34, 100, 0.4), 0.0);  // T = 0
}

TEST(Diameter, RaisesWhereTheCurveOrTheSecantFails) {
  EXPECT_THROW(Diameter(0, 0, 10), DivisionByZeroError);
  EXPECT_THROW(Diameter(0, -5, 10), InvalidOperationError);
  // Below L the anchors 16 and 18 of species 3 both clamp to its lowest site index 18.
  EXPECT_THROW(DiameterFromSiteIndex(3, 50, 10, 5), DivisionByZeroError);
  // Above U the anchors 32 and 30 of species 7 both clamp to its highest site index 30.
  EXPECT_THROW(DiameterFromSiteIndex(7, 50, 40, 20), DivisionByZeroError);
  EXPECT_THROW(Diameter(13, 50, 20), UnmodelledSpecies);
}

// Which branch each generator site index takes, for heights on its height curve.
std::string Branches(SpeciesIndex species) {
  const DiameterGroupBounds bounds = DiameterGroupBoundsOf(DiameterGroup(species));
  const SiteIndexRange range = SiteIndexRangeOf(species);
  std::string result;
  for (int S = range.lowest; S <= range.highest; S += 2) {
    char branch = 0;
    for (int age = 15; age <= MaximumAge(species); age += 5) {
      const double found = SiteIndexInversion(species, age, SiteIndexHeight(species, age, S));
      const char here = found < bounds.lower ? 'L' : found > bounds.upper ? 'U' : 'C';
      EXPECT_TRUE(branch == 0 || branch == here) << int(species) << " " << S << " " << age;
      branch = here;
    }
    result += branch;
  }
  return result;
}

TEST(Diameter, SiteIndicesTakeOneBranchAtEveryAge) {
  EXPECT_EQ(Branches(0), "LLCCCCCCCCCUU");
  EXPECT_EQ(Branches(1), "CCCCCCCCUUUU");
  EXPECT_EQ(Branches(2), "CCCCCCCCUUUUUU");
  EXPECT_EQ(Branches(3), "CCCCCCCCUUUU");
  EXPECT_EQ(Branches(4), "CCCCCCCCUUUU");
  EXPECT_EQ(Branches(5), "LCCCCCCCUUUU");
  EXPECT_EQ(Branches(6), "CCCCCCCCU");
  EXPECT_EQ(Branches(7), "LLLLCCCCCC");
  EXPECT_EQ(Branches(8), "LLCCCCCC");
  EXPECT_EQ(Branches(9), "CCCCCCUU");
  EXPECT_EQ(Branches(10), "LLLLCCC");
  EXPECT_EQ(Branches(11), "LLCCCCCC");
  EXPECT_EQ(Branches(12), "CCCCUUUU");
}

}  // namespace
}  // namespace vzorce
