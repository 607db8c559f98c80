#include "young_stand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "numeric.h"
#include "printed_value_matcher.h"

namespace vzorce {
namespace {

TEST(YoungStandCurve, IsAnchoredAtAge100) {
  for (SpeciesIndex s : {0, 1, 4, 5}) {
    for (double x : {18.54, 24.94, 42.19, 49.59}) {
      EXPECT_NEAR(YoungStandCurve(100, s, x), x, 1e-12 * x) << int(s) << " " << x;
      EXPECT_EQ(YoungStandCurve(0, s, x), 0.0);
    }
  }
  EXPECT_TRUE(MatchesPrinted(YoungStandCurve(50, 0, 20.74), "11.7286"));
}

TEST(YoungStandCurve, RaisesForInputsOutsideItsDomain) {
  EXPECT_THROW(YoungStandCurve(-1, 0, 20.74), InvalidOperationError);
  EXPECT_THROW(YoungStandCurve(50, 0, 0), DivisionByZeroError);
  EXPECT_THROW(YoungStandCurve(50, 0, -3), InvalidOperationError);
  // M = 1.16735·x + 4.69937 equals x at x ≈ -28.2 and exceeds it above; an x at M
  // would need a negative x, so a shape making P(x/M, U) reach 1 is not reachable
  // from the table. Other species have no curve.
  EXPECT_THROW(YoungStandCurve(50, 2, 20), std::out_of_range);
}

TEST(YoungStandHeightInversion, FindsTheRootWithinTolerance) {
  int evaluations = 0;
  EXPECT_EQ(YoungStandHeightInversion(0, 0, &evaluations), 0.0);
  EXPECT_EQ(evaluations, 1);

  EXPECT_TRUE(MatchesPrinted(YoungStandHeightInversion(0, 20.74, &evaluations), "17.7266"));
  EXPECT_EQ(evaluations, 16);

  EXPECT_TRUE(MatchesPrinted(YoungStandHeightInversion(0, YoungStandCurve(50, 0, 20.74), &evaluations), "9.2374"));
  EXPECT_EQ(evaluations, 12);

  for (SpeciesIndex s : {0, 1, 4, 5}) {
    for (double x = 0.5; x <= 70; x += 0.5) {
      YoungStandHeightInversion(s, x, &evaluations);
      EXPECT_LE(evaluations, 20) << int(s) << " " << x;
    }
  }
}

TEST(YoungStandHeightInversion, EndsForEveryInput) {
  int evaluations = 0;
  // Far above any height, f(x) rounds to x itself.
  EXPECT_EQ(YoungStandHeightInversion(0, 1e13, &evaluations), 1e13);
  EXPECT_EQ(evaluations, 1);
  // A negative x walks away from its root until the steps vanish.
  EXPECT_THROW(YoungStandHeightInversion(0, -10, &evaluations), InvalidOperationError);
  EXPECT_LT(evaluations, 100);
  EXPECT_THROW(YoungStandHeightInversion(0, std::numeric_limits<double>::quiet_NaN()), InvalidOperationError);
  EXPECT_THROW(YoungStandHeightInversion(3, 10), std::out_of_range);
}

}  // namespace
}  // namespace vzorce
