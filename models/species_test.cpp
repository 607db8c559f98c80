#include "species.h"

#include <gtest/gtest.h>

namespace vzorce {
namespace {

std::string CodeOf(int species, std::string code = "") {
  SpeciesCode(static_cast<SpeciesIndex>(species), code);
  return code;
}

TEST(SpeciesCode, CoversTheWholeCatalogueWithThreeCharacterCodes) {
  const char* expected[] = {"SM ", "BO ", "MD ", "JD ", "DB ", "BK ", "JS ", "BR ",
                            "OL ", "TP ", "HB ", "AK ", "DG ", "KR ", "XXX"};
  for (int s = 0; s < 15; ++s) {
    EXPECT_EQ(CodeOf(s), expected[s]) << "species " << s;
    EXPECT_EQ(CodeOf(s).size(), 3u);
  }
  EXPECT_NE(CodeOf(0), "SM");
}

TEST(SpeciesCode, LooksOnlyAtTheLowSevenBits) {
  EXPECT_EQ(CodeOf(128), "SM ");
  EXPECT_EQ(CodeOf(129), "BO ");
  EXPECT_EQ(CodeOf(128 + 14), "XXX");
}

TEST(SpeciesCode, LeavesTheVariableUnchangedOutsideTheCatalogue) {
  EXPECT_EQ(CodeOf(15), "");
  EXPECT_EQ(CodeOf(200), "");
  EXPECT_EQ(CodeOf(15, "DG "), "DG ");
  EXPECT_EQ(CodeOf(127, "anything"), "anything");
}

int CountSteps(int from, int to, int step) {
  int count = 0;
  int last = from;
  for (int v = from; v <= to; v += step, ++count) last = v;
  EXPECT_EQ(last, to) << "stepping from " << from << " by " << step << " misses " << to;
  return count;
}

TEST(SpeciesLimits, StepsReachTheBoundsExactly) {
  for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
    const SiteIndexRange range = SiteIndexRangeOf(s);
    EXPECT_LT(range.lowest, range.highest);
    CountSteps(range.lowest, range.highest, 2);
    CountSteps(15, MaximumAge(s), 5);
  }
  EXPECT_EQ(CountSteps(SiteIndexRangeOf(0).lowest, SiteIndexRangeOf(0).highest, 2), 13);
  EXPECT_EQ(CountSteps(SiteIndexRangeOf(10).lowest, SiteIndexRangeOf(10).highest, 2), 7);
  EXPECT_EQ(CountSteps(15, MaximumAge(0), 5), 28);
  EXPECT_EQ(CountSteps(15, MaximumAge(7), 5), 18);
}

TEST(SpeciesLimits, SiteClassTableHasItsRowCount) {
  int rows = 0;
  for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
    const SiteIndexRange range = SiteIndexRangeOf(s);
    rows += ((range.highest - range.lowest) / 2 + 1) * ((MaximumAge(s) - 15) / 5 + 1);
  }
  EXPECT_EQ(rows, 3228);
}

TEST(SpeciesLimits, UnmodelledSpeciesHaveNoLimits) {
  EXPECT_THROW(SiteIndexRangeOf(13), UnmodelledSpecies);
  EXPECT_THROW(MaximumAge(14), UnmodelledSpecies);
}

}  // namespace
}  // namespace vzorce
