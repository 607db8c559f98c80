#include "numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vzorce {
namespace {

TEST(Rounding, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundToTenths(12.25), 12.2);
  EXPECT_EQ(RoundToTenths(12.35), 12.3);  // the double nearest 12.35 lies below it
  EXPECT_EQ(RoundToTenths(-12.25), -12.2);
  EXPECT_EQ(RoundToHundredths(0.125), 0.12);
  EXPECT_EQ(RoundToHundredths(0.375), 0.38);
}

TEST(Rounding, UsesTheExactProduct) {
  // In double arithmetic 1.005 * 100 rounds up to 100.5 and then to 100; the exact
  // product lies below 100.5.
  EXPECT_EQ(RoundToHundredths(1.005), 1.0);
  // 0.15 is stored slightly below 0.15: the exact product 1.4999... rounds to 1.
  EXPECT_EQ(RoundToTenths(0.15), 0.1);
  EXPECT_EQ(RoundToTenths(27.42), 27.4);
}

TEST(Rounding, GivesTheDoubleNearestTheMultiple) {
  for (int n = -2000; n <= 2000; ++n) {
    const double tenth = n / 10.0;
    const double hundredth = n / 100.0;
    ASSERT_EQ(RoundToTenths(tenth), tenth) << n;
    ASSERT_EQ(RoundToHundredths(hundredth), hundredth) << n;
  }
}

TEST(Rounding, OutOfRangeProductIsAnInvalidOperation) {
  EXPECT_THROW(RoundToTenths(std::numeric_limits<double>::quiet_NaN()), InvalidOperationError);
  EXPECT_THROW(RoundToTenths(1e18), InvalidOperationError);
  EXPECT_THROW(RoundToHundredths(-1e17), InvalidOperationError);
  EXPECT_THROW(RoundToTenths(std::numeric_limits<double>::infinity()), InvalidOperationError);
  EXPECT_EQ(RoundToTenths(9.2e17), 9.2e17);
}

TEST(Arithmetic, ErrorsCarryTheSystemTexts) {
  try {
    Divide(1, 0);
    FAIL();
  } catch (const FloatingPointError& e) {
    EXPECT_STREQ(e.what(), "Floating point division by zero");
  }
  try {
    Ln(-1);
    FAIL();
  } catch (const FloatingPointError& e) {
    EXPECT_STREQ(e.what(), "Invalid floating point operation");
  }
  try {
    Store(1e309L);
    FAIL();
  } catch (const FloatingPointError& e) {
    EXPECT_STREQ(e.what(), "Floating point overflow");
  }
}

TEST(Arithmetic, ZeroOverZeroIsInvalidNotDivisionByZero) {
  EXPECT_THROW(Divide(0, 0), InvalidOperationError);
  EXPECT_THROW(Divide(5, 0), DivisionByZeroError);
  EXPECT_THROW(Ln(0), DivisionByZeroError);
  EXPECT_THROW(Ordered(std::nanl("")), InvalidOperationError);
}

TEST(Arithmetic, UnderflowRaisesNothing) {
  EXPECT_EQ(Store(std::numeric_limits<Extended>::denorm_min()), 0.0);
  EXPECT_EQ(Exp(-20000), 0.0L);
  EXPECT_GT(Store(1e-310L), 0.0);  // subnormal
}

}  // namespace
}  // namespace vzorce
