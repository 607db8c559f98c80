#include "volume.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "numeric.h"
#include "printed_value_matcher.h"
#include "volume_equations.h"
#include "volume_paths.h"

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

// Volumes of two trees per species, worked out from the equations at 40 digits
// apart from this code; the second tree of a capped species stands above its
// cap, and ash's second tree has its V2 replaced. The code rounds the steps it
// stores to doubles, which moves the results by a few parts in 1e15.
struct WorkedTree {
  SpeciesIndex species;
  double diameter, height;
  double v1, v2, v3, v4;
};
constexpr WorkedTree kWorkedTrees[] = {
      {0, 30, 25, 0.79502359264695011, 0.80002105020785375, 522.70391143033487, 525.98958828125001},
      {0, 12, 48, 0.32197607268515066, 0.34373930663529578, 1275.3554339412219, 1361.5601585562499},
      {1, 30, 25, 0.77696318929220765, 0.781014608610894, 436.62451167837116, 438.90125915624998},
      {1, 14, 43, 0.25883926973461441, 0.29871225000292972, 752.33413172967312, 868.22769000000005},
      {2, 30, 25, 0.8035335794729016, 0.80741437618108813, 471.77452932926002, 474.05304150000001},
      {2, 9, 7, 0.020371479574642578, 0.025355046314240338, 64.485030458716466, 80.260293704495993},
      {3, 30, 25, 0.87207406997323667, 0.87578783696535534, 569.2475533273323, 571.671719859375},
      {3, 55, 33, 3.5326114940237612, 3.5347238282334716, 829.29896036687967, 829.79484183219904},
      {4, 30, 25, 0.87929967761401728, 0.84865834848576949, 392.96304933343612, 379.26929914062498},
      {4, 40, 43, 2.5433987552976904, 2.4766971553584072, 831.75940070863976, 809.94619399999999},
      {5, 30, 25, 0.87674915327535652, 0.83345578078066962, 398.07655630417514, 378.41976328750002},
      {5, 50, 44, 4.3867979020046644, 3.9586807141694011, 1025.4944944493411, 925.41424710000001},
      {6, 30, 25, 0.81817968033736155, 0.74911011023550245, 317.09364519032226, 290.32504865624998},
      {6, 200, 6, 4.7245482373050853, 1.0000000000000001e-05, 18596208.04454961, 39.360817395647999},
      {7, 30, 25, 0.69908459044560711, 0.66543491085071516, 340.17364456210106, 323.79975461718749},
      {7, 9, 7, 0.0080511388994170558, 0.01812288920265016, 21.401463549261649, 48.174097792041302},
      {8, 30, 25, 0.74485540249797666, 0.74795680104890205, 296.71043872460911, 297.94586955},
      {8, 50, 35, 2.7126482276575263, 2.7201581772481744, 479.45728357004782, 480.78465805000002},
      {9, 30, 25, 0.87673388749220449, 0.83647877336530396, 334.57909882836185, 319.21694618437499},
      {9, 8, 12, 0.02079675920204745, 0.03165147131112353, 43.136200997527787, 65.650816796960001},
      {10, 30, 25, 1.6291991216223234, 1.249337091716757, 427.90924659011296, 328.13846174999998},
      {10, 12, 30, 0.29696344665689878, 0.3122703327025349, 445.27913894833927, 468.23090999999999},
      {11, 30, 25, 0.90384885893387812, 0.77124646769284932, 367.97376708718156, 313.98885473437502},
      {11, 60, 12, 1.5203554278553904, 0.94161700952545313, 147.01955631618276, 91.055099632511997},
      {12, 30, 25, 0.87207406997323667, 0.87578783696535534, 497.69123532274421, 499.81067602812499},
      {12, 9, 7, 0.020399974627489784, 0.026713400156173416, 82.099517720862622, 107.5078430024558},
};

::testing::AssertionResult CloseTo(double actual, double expected) {
  if (std::fabs(actual - expected) <= 1e-13 * std::fabs(expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual << " differs from " << expected;
}

TEST(VolumeEquations, GiveTheWorkedVolumesOnBothPaths) {
  ClearVolumeMemos();
  for (const WorkedTree& t : kWorkedTrees) {
    const std::string tree = "species " + std::to_string(t.species) + ", D " + std::to_string(t.diameter) +
                             ", H " + std::to_string(t.height);
    for (int call = 0; call < 2; ++call) {  // the memos empty, then holding this tree's parts
      const Volumes v = VolumesOf(t.species, t.diameter, t.height);
      EXPECT_TRUE(CloseTo(v.v1, t.v1)) << tree << " V1";
      EXPECT_TRUE(CloseTo(v.v2, t.v2)) << tree << " V2";
      EXPECT_TRUE(CloseTo(v.v3, t.v3)) << tree << " V3";
      EXPECT_TRUE(CloseTo(v.v4, t.v4)) << tree << " V4";
    }
    double v1 = 0, v2 = 0;
    volume_equations::PlainVolumes(t.species, t.diameter, t.height, {v1, v2});
    EXPECT_TRUE(CloseTo(v1, t.v1)) << tree << " plain V1";
    EXPECT_TRUE(CloseTo(v2, t.v2)) << tree << " plain V2";
  }
}

TEST(VolumeEquations, BothPathsGiveTheSameBits) {
  constexpr double kDiameters[] = {6, 6.5, 7.3, 11, 19.9, 33.3, 47, 80, 150, 250};
  constexpr double kHeights[] = {6, 6.1, 9.5, 17, 28.8, 40, 41.5, 45, 52, 70};
  for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
    for (double d : kDiameters) {
      for (double h : kHeights) {
        double memoV1 = 0, memoV2 = 0, memoV4 = 0, plainV1 = 0, plainV2 = 0;
        ASSERT_TRUE(volume_equations::MemoizedVolumes(s, d, h, {memoV1, memoV2}, memoV4));
        volume_equations::PlainVolumes(s, d, h, {plainV1, plainV2});
        EXPECT_EQ(std::bit_cast<std::uint64_t>(memoV1), std::bit_cast<std::uint64_t>(plainV1))
            << int(s) << " " << d << " " << h;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(memoV2), std::bit_cast<std::uint64_t>(plainV2))
            << int(s) << " " << d << " " << h;
        EXPECT_EQ(memoV4, volume_equations::HeightPolynomialAt(s, h));
      }
    }
  }
}

TEST(Volume, KeepsTheReferenceVolumeWrittenBeforeTheDeductionOverflows) {
  // Pine's deduction takes H to a higher power than its V2 does.
  Volumes v{-1, -2, -3, -4};
  EXPECT_THROW(Volume(1, 30, 1e300, v.v1, v.v2, v.v3, v.v4), OverflowError);
  EXPECT_NEAR(v.v2, 7.2029447908972521e+286, 1e-12 * 7.2029447908972521e+286);
  EXPECT_EQ(v.v1, -1.0);
  EXPECT_EQ(v.v3, -3.0);
  EXPECT_EQ(v.v4, -4.0);
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
