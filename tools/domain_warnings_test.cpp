// The warnings against what the models actually do with the same inputs.
#include "domain_warnings.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "diameter.h"
#include "height_by_site_index.h"
#include "height_diameter_table.h"
#include "number_text.h"
#include "numeric.h"
#include "plausible_ratio.h"
#include "site_class_table.h"
#include "site_index_height.h"
#include "species_catalogue.h"

namespace dravlik {
namespace {

using vzorce::SpeciesIndex;

SpeciesIndex Species(std::string_view code) {
  const auto species = ParseSpecies(code);
  if (!species) throw std::invalid_argument("no species " + std::string(code));
  return *species;
}

std::string Number(double value) {
  std::string text;
  AppendNumber(text, value, false);
  return text;
}

testing::AssertionResult EndsWith(const std::string& text, std::string_view end) {
  if (text.ends_with(end)) return testing::AssertionSuccess();
  return testing::AssertionFailure() << '"' << text << "\" does not end with \"" << end << '"';
}

testing::AssertionResult Mentions(const std::string& text, std::string_view words) {
  if (text.find(words) != std::string::npos) return testing::AssertionSuccess();
  return testing::AssertionFailure() << '"' << text << "\" does not mention \"" << words << '"';
}

struct Outcome {
  double results[4] = {0, 0, 0, 0};
  std::string warnings;
};

Outcome Calculated(const Calculation& calculation, SpeciesIndex species, double first, double second) {
  Outcome outcome;
  Calculate(calculation, species, {first, second}, outcome.results);
  outcome.warnings = DomainWarnings(calculation, species, {first, second}, outcome.results);
  return outcome;
}

constexpr Calculation kHeight = {Quantity::kHeight};
constexpr Calculation kDiameter = {Quantity::kDiameter};
constexpr Calculation kVolume = {Quantity::kVolume};
constexpr Calculation kAllVolumes = {Quantity::kVolume, false, true};

std::string Warnings(const Calculation& calculation, std::string_view species, double first, double second) {
  return Calculated(calculation, Species(species), first, second).warnings;
}

std::string ErrorText(const Calculation& calculation, std::string_view code, double first, double second) {
  const SpeciesIndex species = Species(code);
  double results[4];
  try {
    Calculate(calculation, species, {first, second}, results);
  } catch (const vzorce::FloatingPointError& error) {
    return ExplainedError(calculation, species, {first, second}, error);
  }
  ADD_FAILURE() << "the model raised no error for " << code << " " << first << " " << second;
  return {};
}

TEST(HeightWarnings, SiteIndexOutsideTheRangeSaysWhatTheModelDidWithIt) {
  EXPECT_EQ(Warnings(kHeight, "SM", 80, 42), "site index 42 m is outside SM's range 14-38 m; the model gives 0");
  EXPECT_EQ(Warnings(kHeight, "SM", 80, 2),
            "site index 2 m is outside SM's range 14-38 m (a site index is the stand's mean height in m at age 100); "
            "the model gives 0");
  EXPECT_EQ(Warnings(kHeight, "MD", 80, 44), "site index 44 m is outside MD's range 14-40 m; the model takes 40");
  EXPECT_TRUE(Mentions(Warnings(kHeight, "HB", 80, 9.5), "(a site index is the stand's mean height in m at age 100)"));
  EXPECT_EQ(Warnings(kHeight, "HB", 80, 3),
            "site index 3 m is outside HB's range 10-22 m (a site index is the stand's mean height in m at age 100); "
            "the model takes 10");
  // Below its threshold age the young-stand model reads 13 off its own table.
  EXPECT_EQ(Warnings(kHeight, "SM", 20, 13),
            "site index 13 m is outside SM's range 14-38 m; the young-stand model takes it as it is (its table "
            "covers 12-39 m)");
  EXPECT_NE(vzorce::HeightBySiteIndex(Species("SM"), 20, 13), vzorce::HeightBySiteIndex(Species("SM"), 20, 14));
  EXPECT_EQ(Warnings(kHeight, "SM", 80, 13), "site index 13 m is outside SM's range 14-38 m; the model takes 14");
  // Whole site indices round down from just below the next one; 39.9 still has 39's entry.
  EXPECT_TRUE(EndsWith(Warnings(kHeight, "SM", 80, 39.9), "the model takes 38"));
  EXPECT_TRUE(EndsWith(Warnings(kHeight, "SM", 80, 40.5), "the model gives 0"));
  EXPECT_TRUE(EndsWith(Warnings(kHeight, "BK", 80, 11.9), "the model gives 0"));
  EXPECT_TRUE(EndsWith(Warnings(kHeight, "BK", 80, 12), "the model takes 16"));
  EXPECT_EQ(Warnings(kHeight, "SM", 80, 14), "");
  EXPECT_EQ(Warnings(kHeight, "SM", 80, 38), "");
}

// What the warning says the model did must be what it did, for every species
// and site indices across and beyond the young-stand table.
TEST(HeightWarnings, WhatTheModelDidIsWhatItDid) {
  for (SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    for (double siteIndex = 1; siteIndex <= 46; siteIndex += 0.25) {
      for (double age : {12.0, 30.0, 80.0}) {
        const Outcome outcome = Calculated(kHeight, species, age, siteIndex);
        const double height = outcome.results[0];
        const std::string& w = outcome.warnings;
        SCOPED_TRACE(w);
        const auto range = vzorce::SiteIndexRangeOf(species);
        const bool outside = siteIndex < range.lowest || siteIndex > range.highest;
        ASSERT_EQ(!w.empty(), outside) << int{species} << " " << siteIndex << " " << age;
        if (!outside) continue;
        if (w.ends_with("the model gives 0")) {
          EXPECT_EQ(height, 0);
        } else if (w.ends_with("(its table covers 12-39 m)")) {
          EXPECT_TRUE(vzorce::TakesYoungStandPath(species, age, siteIndex));
        } else {
          const int bound = siteIndex < range.lowest ? range.lowest : range.highest;
          ASSERT_TRUE(EndsWith(w, "the model takes " + std::to_string(bound)));
          EXPECT_EQ(height, vzorce::HeightBySiteIndex(species, age, bound));
          EXPECT_FALSE(vzorce::TakesYoungStandPath(species, age, siteIndex));
        }
      }
    }
  }
}

TEST(HeightWarnings, AgesOutsideTheModelsYears) {
  EXPECT_EQ(Warnings(kHeight, "BO", 0, 20), "age must be above 0; the model gives 0");
  EXPECT_EQ(Warnings(kHeight, "JD", -5, 30), "age must be above 0; the model gives 0");
  EXPECT_EQ(Warnings(kHeight, "SM", 160, 20), "age 160 is past SM's maximum age 150; the model extrapolates");
  EXPECT_EQ(Warnings(kHeight, "BR", 100.5, 20), "age 100.5 is past BR's maximum age 100; the model extrapolates");
  EXPECT_EQ(Warnings(kHeight, "BR", 100, 20), "");
  EXPECT_EQ(Warnings(kHeight, "SM", 0.5, 20), "");
  EXPECT_EQ(Warnings(kHeight, "MD", 200, 50),
            "site index 50 m is outside MD's range 14-40 m; the model takes 40; age 200 is past MD's maximum age 150; "
            "the model extrapolates");
}

TEST(DiameterWarnings, HeightsNoSiteIndexReachesAreExtrapolated) {
  EXPECT_EQ(Warnings(kDiameter, "SM", 80, 0),
            "height 0 m at age 80 is below SM's curve for site index 14 (13.2 m at that age); the model extrapolates");
  const double highest = vzorce::SiteIndexHeight(Species("SM"), 80, 38);
  EXPECT_EQ(Warnings(kDiameter, "SM", 80, 45),
            "height 45 m at age 80 is above SM's curve for site index 38 (" +
                Number(vzorce::RoundToTenths(highest)) + " m at that age); the model extrapolates");
  const double lowest = vzorce::SiteIndexHeight(Species("SM"), 80, 14);
  EXPECT_EQ(Warnings(kDiameter, "SM", 80, lowest - 0.09), "");
  EXPECT_TRUE(Mentions(Warnings(kDiameter, "SM", 80, lowest - 0.11), "below SM's curve"));
  EXPECT_EQ(Warnings(kDiameter, "SM", 80, highest + 0.09), "");
  EXPECT_TRUE(Mentions(Warnings(kDiameter, "SM", 80, highest + 0.11), "above SM's curve"));
  EXPECT_EQ(Warnings(kDiameter, "BR", 120, 25), "age 120 is past BR's maximum age 100; the model extrapolates");
}

// The warning follows the inversion: it leaves the species' range exactly
// where the warning says the height is off the curves.
TEST(DiameterWarnings, OffTheCurvesExactlyWhereTheInversionLeavesTheRange) {
  for (SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    const auto range = vzorce::SiteIndexRangeOf(species);
    for (double age : {15.0, 40.0, 95.0}) {
      for (double height = 0.5; height <= 50; height += 0.05) {
        double diameter = 0;
        try {
          Calculate(kDiameter, species, {age, height}, &diameter);
        } catch (const vzorce::FloatingPointError&) {
          continue;
        }
        const double siteIndex = vzorce::SiteIndexInversion(species, age, height);
        const bool offTheCurves = siteIndex < range.lowest || siteIndex > range.highest;
        const std::string w = DomainWarnings(kDiameter, species, {age, height}, &diameter);
        ASSERT_EQ(w.find("curve for site index") != std::string::npos, offTheCurves)
            << int{species} << " " << age << " " << height << ": " << w;
      }
    }
  }
}

TEST(DiameterWarnings, NegativeDiametersOfYoungHornbeamAndBirch) {
  const SpeciesIndex hornbeam = Species("HB");
  const double height = vzorce::HeightBySiteIndex(hornbeam, 15, 10);
  const Outcome outcome = Calculated(kDiameter, hornbeam, 15, height);
  EXPECT_NEAR(outcome.results[0], -0.297, 0.001);
  EXPECT_EQ(outcome.warnings, "the model gives a negative diameter");
  EXPECT_EQ(Calculated({Quantity::kDiameter, true}, hornbeam, 15, height).warnings, "the model gives a negative diameter");
}

TEST(VolumeWarnings, TooSmallForTheModel) {
  EXPECT_EQ(Warnings(kVolume, "SM", 5, 20), "diameter 5 cm is below 6 cm; the model gives 0");
  EXPECT_EQ(Warnings(kVolume, "SM", -30, 20), "diameter -30 cm is negative; the model gives 0");
  EXPECT_EQ(Warnings(kVolume, "SM", -0.5, 20), "diameter -0.5 cm is negative; the model gives 0");
  // Nothing about the pair: the model computed nothing from it.
  EXPECT_EQ(Warnings(kVolume, "SM", 30, 3), "height 3 m is below 6 m; the model gives 0");
  EXPECT_EQ(Warnings(kVolume, "SM", 5, 3), "diameter 5 cm is below 6 cm; height 3 m is below 6 m; the model gives 0");
  EXPECT_EQ(Warnings(kVolume, "SM", 5, 50),
            "diameter 5 cm is below 6 cm; the model gives 0; height 50 m is outside the 7-40 m of the "
            "height-diameter table");
}

TEST(VolumeWarnings, OutsideTheHeightDiameterTable) {
  EXPECT_EQ(Warnings(kVolume, "SM", 325, 27),
            "diameter 325 cm is outside the 7-80 cm of the height-diameter table (millimetres? diameters are in cm); "
            "height 27 m on diameter 325 cm is a pair the height-diameter table leaves empty as implausible (h/d "
            "0.08 is outside 0.25-1.9)");
  EXPECT_EQ(Warnings(kVolume, "SM", 6.5, 7), "diameter 6.5 cm is outside the 7-80 cm of the height-diameter table");
  EXPECT_EQ(Warnings(kVolume, "SM", 30, 45), "height 45 m is outside the 7-40 m of the height-diameter table");
  EXPECT_TRUE(EndsWith(Warnings(kVolume, "SM", 81, 30), "table (millimetres? diameters are in cm)"));
  EXPECT_FALSE(Mentions(Warnings(kVolume, "SM", 900, 300), "millimetres"));
  EXPECT_EQ(Warnings(kVolume, "SM", 7, 7), "");
  EXPECT_EQ(Warnings(kVolume, "SM", 80, 40), "");
}

TEST(VolumeWarnings, PairsTheTableLeavesEmpty) {
  EXPECT_EQ(Warnings(kVolume, "SM", 15, 40),
            "height 40 m on diameter 15 cm is a pair the height-diameter table leaves empty as implausible (h/d 2.67 "
            "is outside 0.25-1.9)");
  EXPECT_TRUE(EndsWith(Warnings(kVolume, "BK", 28, 7), "(h/d 0.25 is outside 0.25-1.9)"));
  EXPECT_EQ(Warnings(kVolume, "BK", 27, 7), "");
  EXPECT_EQ(Warnings(kVolume, "JD", 10, 19), "");
  // Rounded to hundredths it would read as the bound it lies beyond.
  EXPECT_TRUE(EndsWith(Warnings(kVolume, "JD", 10, 19.02), "(h/d 1.902 is outside 0.25-1.9)"));
  // Measured trees between the table's whole numbers.
  EXPECT_EQ(Warnings(kVolume, "JD", 10.5, 19.9), "");
  EXPECT_TRUE(Mentions(Warnings(kVolume, "JD", 10.5, 20), "implausible"));
}

TEST(VolumeWarnings, NegativeVolumesOnlyWhereAllFourAreShown) {
  const Outcome all = Calculated(kAllVolumes, Species("BK"), 110, 6);
  EXPECT_NEAR(all.results[1], -0.629, 0.001);
  EXPECT_TRUE(EndsWith(all.warnings, "implausible (h/d 0.05 is outside 0.25-1.9); the model gives a negative v2"));
  EXPECT_FALSE(Mentions(Warnings(kVolume, "BK", 110, 6), "negative"));
}

// Every tree the height-diameter table stores a volume for is within the
// domain, with all four volumes.
TEST(VolumeWarnings, NoneForTheTablesTrees) {
  for (SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    for (int height = kLowestTableHeight; height <= kHighestTableHeight; ++height) {
      for (int diameter = kLowestTableDiameter; diameter <= kHighestTableDiameter; ++diameter) {
        if (!HasPlausibleRatio(height, diameter)) continue;
        ASSERT_EQ(Calculated(kAllVolumes, species, diameter, height).warnings, "")
            << int{species} << " " << height << " " << diameter;
      }
    }
  }
}

// The site-class table's stands are within the domain of the height and
// diameter models, except four young stands whose diameter the model gives
// below 0.
TEST(DomainWarnings, NoneForTheSiteClassTablesStandsButKnownNegativeDiameters) {
  struct Stand {
    std::string code;
    int siteIndex, age;
    bool operator==(const Stand&) const = default;
  };
  std::vector<Stand> negative;
  for (SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    const auto range = vzorce::SiteIndexRangeOf(species);
    for (int siteIndex = range.lowest; siteIndex <= range.highest; siteIndex += 2) {
      for (int age = kYoungestTableAge; age <= vzorce::MaximumAge(species); age += kTableAgeStep) {
        const Outcome height = Calculated(kHeight, species, age, siteIndex);
        ASSERT_EQ(height.warnings, "");
        const Outcome diameter = Calculated(kDiameter, species, age, height.results[0]);
        if (diameter.warnings.empty()) continue;
        ASSERT_EQ(diameter.warnings, "the model gives a negative diameter");
        std::string code;
        vzorce::SpeciesCode(species, code);
        negative.push_back({code, siteIndex, age});
      }
    }
  }
  EXPECT_EQ(negative, (std::vector<Stand>{{"BR ", 12, 15}, {"HB ", 10, 15}, {"HB ", 10, 20}, {"HB ", 12, 15}}));
}

// A comma would make the warning column of a CSV file a quoted field.
TEST(DomainWarnings, TextsHoldNoComma) {
  for (const std::string& w : {Warnings(kHeight, "SM", 200, 2), Warnings(kDiameter, "SM", 200, 0),
                               Warnings(kAllVolumes, "BK", 110, 6), Warnings(kVolume, "SM", -5, -5),
                               ErrorText(kHeight, "SM", 80, 1e300), ErrorText(kDiameter, "MD", 80, 0)}) {
    EXPECT_FALSE(Mentions(w, ",")) << w;
  }
}

TEST(ExplainedError, NamesTheRuleInFrontOfTheArithmetic) {
  EXPECT_EQ(ErrorText(kDiameter, "SM", 0, 20), "age must be above 0: Floating point division by zero");
  EXPECT_EQ(ErrorText(kHeight, "SM", -5, 14), "age must be above 0: Invalid floating point operation");
  EXPECT_EQ(ErrorText(kVolume, "DB", 1e308, 1e308), "diameter and height far beyond any tree: Floating point overflow");
  EXPECT_EQ(ErrorText(kDiameter, "MD", 80, 0),
            "height 0 m is far outside MD's curves at age 80: Floating point division by zero");
  EXPECT_EQ(ErrorText(kHeight, "SM", 80, 1e300),
            "site index 1e+300 m is far outside SM's range 14-38 m: Invalid floating point operation");
  EXPECT_EQ(ExplainedError(kHeight, Species("SM"), {80, 20}, vzorce::DivisionByZeroError()),
            "Floating point division by zero");
}

}  // namespace
}  // namespace dravlik
