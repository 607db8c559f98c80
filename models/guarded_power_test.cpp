#include "guarded_power.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "numeric.h"

namespace vzorce {
namespace {

TEST(GuardedPower, ComputesPowers) {
  for (double a : {-1e6, -3.5, 0.0, 0.5, 7.25, 1e6}) EXPECT_EQ(GuardedPower(1, a), 1.0) << a;
  EXPECT_DOUBLE_EQ(GuardedPower(4, 0.5), 2.0);
  EXPECT_DOUBLE_EQ(GuardedPower(26, 5), 11881376.0);
  // u ≈ 69.3 is computed; u held as a double costs a few digits.
  EXPECT_NEAR(GuardedPower(0.5, 100), std::ldexp(1.0, -100), 1e-13 * std::ldexp(1.0, -100));
  EXPECT_DOUBLE_EQ(GuardedPower(0.25, -2), 16.0);
}

TEST(GuardedPower, FlushesAndCapsSmallBases) {
  EXPECT_EQ(GuardedPower(0.5, 200), 0.0);    // u ≈ 138.6 > 80
  EXPECT_EQ(GuardedPower(0.5, -200), 1e30);  // u ≈ -138.6 < -75
  EXPECT_EQ(GuardedPower(0.5, 116), 0.0);    // u ≈ 80.4
  EXPECT_GT(GuardedPower(0.5, 115), 0.0);    // u ≈ 79.7
  EXPECT_EQ(GuardedPower(0.5, -109), 1e30);  // u ≈ -75.55
  EXPECT_NEAR(GuardedPower(0.5, -108), std::ldexp(1.0, 108), 1e-13 * std::ldexp(1.0, 108));  // u ≈ -74.9
}

TEST(GuardedPower, RaisesTheArithmeticErrors) {
  EXPECT_THROW(GuardedPower(0, 2), DivisionByZeroError);
  EXPECT_THROW(GuardedPower(-2, 2), InvalidOperationError);
  EXPECT_THROW(GuardedPower(2, 2000), OverflowError);
  EXPECT_THROW(GuardedPower(std::numeric_limits<double>::quiet_NaN(), 2), InvalidOperationError);
  EXPECT_EQ(GuardedPower(2, -2000), 0.0);  // underflow is no error
}

}  // namespace
}  // namespace vzorce
