#include "volume.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "numeric.h"
#include "printed_value_matcher.h"

namespace vzorce {
namespace {

struct Volumes {
  double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
};

Volumes VolumesOf(SpeciesIndex species, double d, double h, Volumes start = {}) {
  Volume(species, d, h, start.v1, start.v2, start.v3, start.v4);
  return start;
}

TEST(Volume, MatchesTheReferenceTreeOfEverySpecies) {
  // D = 30 cm, H = 25 m: V1, V2, V3, V4.
  const char* expected[kModelledSpeciesCount][4] = {
      {"0.795024", "0.800021", "522.704", "525.99"},  {"0.776963", "0.781015", "436.625", "438.901"},
      {"0.803534", "0.807414", "471.775", "474.053"}, {"0.872074", "0.875788", "569.248", "571.672"},
      {"0.8793", "0.848658", "392.963", "379.269"},   {"0.876749", "0.833456", "398.077", "378.42"},
      {"0.81818", "0.74911", "317.094", "290.325"},   {"0.699085", "0.665435", "340.174", "323.8"},
      {"0.744855", "0.747957", "296.71", "297.946"},  {"0.876734", "0.836479", "334.579", "319.217"},
      {"1.6292", "1.24934", "427.909", "328.138"},    {"0.903849", "0.771246", "367.974", "313.989"},
      {"0.872074", "0.875788", "497.691", "499.811"},
  };
  for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
    const Volumes v = VolumesOf(s, 30, 25);
    EXPECT_TRUE(MatchesPrinted(v.v1, expected[s][0])) << "species " << int(s) << " V1";
    EXPECT_TRUE(MatchesPrinted(v.v2, expected[s][1])) << "species " << int(s) << " V2";
    EXPECT_TRUE(MatchesPrinted(v.v3, expected[s][2])) << "species " << int(s) << " V3";
    EXPECT_TRUE(MatchesPrinted(v.v4, expected[s][3])) << "species " << int(s) << " V4";
  }
}

TEST(Volume, MatchesTheSmallestTrees) {
  const Volumes spruce = VolumesOf(0, 6, 6);
  EXPECT_TRUE(MatchesPrinted(spruce.v1, "0.00422014"));
  EXPECT_TRUE(MatchesPrinted(spruce.v2, "0.0105703"));
  EXPECT_TRUE(MatchesPrinted(spruce.v3, "29.7012"));
  EXPECT_TRUE(MatchesPrinted(spruce.v4, "74.3935"));
  EXPECT_TRUE(MatchesPrinted(VolumesOf(6, 6, 6).v1, "0.00429249"));
  EXPECT_TRUE(MatchesPrinted(VolumesOf(6, 6, 6).v2, "0.0086501"));
  EXPECT_TRUE(MatchesPrinted(VolumesOf(7, 6, 6).v1, "0.00198059"));
  EXPECT_TRUE(MatchesPrinted(VolumesOf(7, 6, 6).v2, "0.0081533"));
}

TEST(Volume, GivesZerosBelowTheInputLimits) {
  for (int s = 0; s < 256; ++s) {
    const Volumes preset{1, 2, 3, 4};
    for (const Volumes& v : {VolumesOf(s, 5.9, 30, preset), VolumesOf(s, 30, 5.9, preset)}) {
      EXPECT_EQ(v.v1, 0.0);
      EXPECT_EQ(v.v2, 0.0);
      EXPECT_EQ(v.v3, 0.0);
      EXPECT_EQ(v.v4, 0.0);
    }
  }
}

TEST(Volume, LeavesUnmodelledSpeciesOutputsAsPassedButNonNegative) {
  for (int s : {13, 14, 100, 255}) {
    const Volumes v = VolumesOf(s, 30, 25, {-1, -2, -3, -4});
    EXPECT_EQ(v.v1, 0.0);
    EXPECT_EQ(v.v2, -2.0);
    EXPECT_EQ(v.v3, 0.0);
    EXPECT_EQ(v.v4, -4.0);
    const Volumes kept = VolumesOf(s, 30, 25, {1, 2, 3, 4});
    EXPECT_EQ(kept.v1, 1.0);
    EXPECT_EQ(kept.v3, 3.0);
  }
}

TEST(Volume, ClampsNegativePrimaryAndScaledVolumes) {
  const Volumes pine = VolumesOf(1, 7, 20);  // the deduction exceeds V2
  EXPECT_EQ(pine.v1, 0.0);
  EXPECT_EQ(pine.v3, 0.0);
  EXPECT_TRUE(MatchesPrinted(pine.v2, "0.0394747"));
  EXPECT_TRUE(MatchesPrinted(pine.v4, "321.584"));

  const Volumes alder = VolumesOf(8, 6, 6);  // V2 not above its threshold 0.011
  EXPECT_TRUE(MatchesPrinted(alder.v2, "0.00922107"));
  EXPECT_EQ(alder.v1, 0.0);
  EXPECT_EQ(alder.v3, 0.0);
  const Volumes poplar = VolumesOf(9, 6, 6);
  EXPECT_TRUE(MatchesPrinted(poplar.v2, "0.00795261"));
  EXPECT_EQ(poplar.v1, 0.0);

  const Volumes beech = VolumesOf(5, 110, 6);  // V2 stays negative
  EXPECT_TRUE(MatchesPrinted(beech.v2, "-0.629034"));
  EXPECT_TRUE(MatchesPrinted(beech.v1, "3.10135"));
  EXPECT_EQ(beech.v3, 0.0);
}

TEST(Volume, CapsTheHeightPolynomialOnly) {
  EXPECT_TRUE(MatchesPrinted(VolumesOf(0, 40, 45).v4, "1247.56"));
  const Volumes tall = VolumesOf(0, 40, 50);
  EXPECT_TRUE(MatchesPrinted(tall.v4, "1437.56"));
  EXPECT_NEAR(tall.v4, VolumesOf(0, 40, 45).v4 + 38 * 5, 1e-9);
  EXPECT_TRUE(MatchesPrinted(tall.v1, "2.91107"));
  EXPECT_TRUE(MatchesPrinted(tall.v2, "2.91806"));
  for (SpeciesIndex s : {1, 4}) EXPECT_NEAR(VolumesOf(s, 30, 41).v4 - VolumesOf(s, 30, 40).v4, 23, 1e-9);
  EXPECT_NEAR(VolumesOf(5, 30, 42).v4 - VolumesOf(5, 30, 40).v4, 64, 1e-9);
}

TEST(Volume, SharedEquationsGiveSharedVolumes) {
  const Volumes hornbeam = VolumesOf(10, 30, 25), acacia = VolumesOf(11, 40, 25);
  EXPECT_EQ(hornbeam.v1, acacia.v1);
  EXPECT_EQ(hornbeam.v2, acacia.v2);
  EXPECT_NE(hornbeam.v4, acacia.v4);
  EXPECT_TRUE(MatchesPrinted(hornbeam.v1, "1.6292"));
  EXPECT_TRUE(MatchesPrinted(hornbeam.v2, "1.24934"));
  for (double d : {7.0, 33.3, 80.0}) {
    const Volumes fir = VolumesOf(3, d, 28), douglas = VolumesOf(12, d, 28);
    EXPECT_EQ(fir.v1, douglas.v1);
    EXPECT_EQ(fir.v2, douglas.v2);
    EXPECT_NE(fir.v4, douglas.v4);
  }
}

TEST(Volume, NotANumberFailsBeforeAnyOutputIsWritten) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Volumes v{1, 2, 3, 4};
  EXPECT_THROW(Volume(0, nan, 20, v.v1, v.v2, v.v3, v.v4), InvalidOperationError);
  EXPECT_THROW(Volume(0, 20, nan, v.v1, v.v2, v.v3, v.v4), InvalidOperationError);
  EXPECT_EQ(v.v1, 1.0);
  EXPECT_EQ(v.v4, 4.0);
}

TEST(Volume, RaisesNothingOnTheHeightDiameterGrid) {
  for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
    for (int h = 7; h <= 40; ++h) {
      for (int d = 7; d <= 80; ++d) {
        const Volumes v = VolumesOf(s, d, h);
        ASSERT_GE(v.v1, 0.0);
        ASSERT_GT(v.v2, 0.0) << int(s) << " " << d << " " << h;
      }
    }
  }
}

}  // namespace
}  // namespace vzorce
