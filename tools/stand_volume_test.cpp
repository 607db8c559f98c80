// A stand's volume per hectare from its mean tree: the trees per hectare
// times the mean tree's primary volume, the same double a spreadsheet gets.
#include <string>

#include <gtest/gtest.h>

#include "domain_warnings.h"
#include "number_text.h"
#include "numeric.h"
#include "program_run_for_tests.h"
#include "species_reading.h"
#include "tree_calculation.h"
#include "volume.h"

namespace dravlik {
namespace {

constexpr Calculation kStandVolume{Quantity::kStandVolume};

double V1(const char* code, double diameter, double height) {
  double v[4];
  vzorce::Volume(ModelledSpecies(code), diameter, height, v[0], v[1], v[2], v[3]);
  return v[0];
}

std::string Text(double value) {
  std::string text;
  AppendNumber(text, value, false);
  return text;
}

TEST(StandVolume, IsTheTreesPerHectareTimesTheMeanTreesVolume) {
  for (const char* code : {"SM", "BK", "DB"}) {
    for (const double trees : {0.0, 1.0, 437.5, 1200.0}) {
      double result = -1;
      Calculate(kStandVolume, ModelledSpecies(code), {31.4, 26.2, trees}, &result);
      EXPECT_EQ(result, trees * V1(code, 31.4, 26.2)) << code << " " << trees;
      Calculate({Quantity::kStandVolume, true}, ModelledSpecies(code), {31.4, 26.2, trees}, &result);
      EXPECT_EQ(result, vzorce::RoundToHundredths(trees * V1(code, 31.4, 26.2)));
    }
  }
  double result = 0;
  Calculate(kStandVolume, ModelledSpecies("SM"), {30, 25, -5}, &result);
  EXPECT_EQ(DomainWarnings(kStandVolume, ModelledSpecies("SM"), {30, 25, -5}, &result),
            "trees per hectare -5 is negative; the model gives a negative volume_per_ha");
}

TEST(StandVolume, FromTheCommandLineAndOverAFile) {
  const auto one = testing::RunCommand(PDRAVLIK_CALC " stand-volume SM 30 25 400 2>&1");
  EXPECT_EQ(one.status, 0);
  EXPECT_EQ(one.output, Text(400 * V1("SM", 30, 25)) + "\n");
  const auto file = testing::RunCommand("printf 'species;diameter;height;trees_per_ha\\nBK;22,5;19;650\\nSM;30;25;\\n' | " PDRAVLIK_CALC
                                        " stand-volume -d ';' --decimal-comma 2>/dev/null");
  EXPECT_EQ(file.status, 1);
  std::string perHectare;
  AppendNumber(perHectare, 650 * V1("BK", 22.5, 19), true);
  EXPECT_EQ(file.output, "species;diameter;height;trees_per_ha;volume_per_ha;warning;error\nBK;22,5;19;650;" +
                             perHectare + ";;\nSM;30;25;;;;No value in trees_per_ha\n");
  const auto few = testing::RunCommand(PDRAVLIK_CALC " stand-volume SM 30 25 2>&1");
  EXPECT_EQ(few.status, 2);
  EXPECT_NE(few.output.find("stand-volume takes species, diameter, height and trees_per_ha"), std::string::npos);
}

}  // namespace
}  // namespace dravlik
