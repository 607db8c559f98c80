// A stand's site index from its height and age: the calculator's command
// against the diameter model's first step, and back through the height model.
#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>

#include "diameter.h"
#include "height_by_site_index.h"
#include "numeric.h"
#include "program_run_for_tests.h"
#include "site_index_height.h"
#include "species.h"
#include "tree_calculation.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

using testing::Outcome;

Outcome Calc(const std::string& arguments) { return testing::RunCommand(PDRAVLIK_CALC " " + arguments + " 2>&1"); }

double SiteIndex(vzorce::SpeciesIndex species, double age, double height, bool rounded = false) {
  double result = 0;
  Calculate({Quantity::kSiteIndex, rounded, false}, species, {age, height}, &result);
  return result;
}

TEST(SiteIndex, IsTheDiameterModelsFirstStepToTheLastDigit) {
  for (vzorce::SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    for (const double height : {8.0, 17.3, 26.0, 31.7}) {
      const double expected = vzorce::SiteIndexInversion(species, 70, height);
      EXPECT_EQ(std::bit_cast<std::uint64_t>(SiteIndex(species, 70, height)), std::bit_cast<std::uint64_t>(expected))
          << int{species} << " " << height;
    }
  }
  EXPECT_EQ(SiteIndex(0, 80, 26), 28.302734375);
  EXPECT_EQ(SiteIndex(0, 80, 26, true), 28.0);
  EXPECT_EQ(SiteIndex(0, 80, 26.8, true), static_cast<double>(vzorce::RoundToInteger(SiteIndex(0, 80, 26.8))));
}

// Every species over its whole range of ages and site indices: the height of
// a site index's curve, inverted, gives a site index whose curve passes within
// the inversion's tolerance of that height.
TEST(SiteIndex, PutBackThroughTheHeightCurveGivesTheHeight) {
  int checked = 0;
  for (vzorce::SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(species);
    for (int age = 15; age <= vzorce::MaximumAge(species); age += 5) {
      for (double siteIndex = range.lowest; siteIndex <= range.highest; siteIndex += 0.5) {
        const double height = vzorce::SiteIndexHeight(species, age, siteIndex);
        const double found = SiteIndex(species, age, height);
        const double back = vzorce::SiteIndexHeight(species, age, found);
        ASSERT_LE(std::fabs(back - height), 0.1) << int{species} << " age " << age << " site index " << siteIndex;
        // The height command gives the same curve past the young-stand model's ages.
        if (!vzorce::TakesYoungStandPath(species, age, found)) {
          ASSERT_EQ(vzorce::HeightBySiteIndex(species, age, found), back) << int{species} << " age " << age;
        }
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 10000);
}

class SiteIndexFile : public testing::InFreshDirectory {};

TEST_F(SiteIndexFile, ACommandAndAFileGiveTheSameSiteIndexWithTheirWarnings) {
  EXPECT_EQ(Calc("site-index SM 80 26").output, "28.302734375\n");
  EXPECT_EQ(Calc("--round site-index smrk 80 26").output, "28\n");
  const Outcome above = Calc("site-index SM 80 60");
  EXPECT_EQ(above.status, 0) << above.output;
  EXPECT_NE(above.output.find("warning: height 60 m at age 80 is above SM's curve for site index 38"),
            std::string::npos)
      << above.output;
  std::ofstream("stands.csv") << "stand,species,age,height\nA1,SM,80,26\nA2,BK,60,21.5\nA3,SM,,20\n";
  const Outcome file = Calc("site-index -i stands.csv -o out.csv");
  EXPECT_EQ(file.status, 1) << file.output;
  std::ifstream out("out.csv");
  std::string header, first;
  std::getline(out, header);
  std::getline(out, first);
  EXPECT_EQ(header, "stand,species,age,height,site_index,warning,error");
  EXPECT_EQ(first, "A1,SM,80,26,28.302734375,,");
}

}  // namespace
}  // namespace dravlik
