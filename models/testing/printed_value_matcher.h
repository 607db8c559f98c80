// Test helper: compares a computed value with a value printed to a given number
// of decimals, as the reference values are given.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vzorce {

inline ::testing::AssertionResult MatchesPrinted(double actual, const std::string& printed) {
  const auto point = printed.find('.');
  const int decimals = point == std::string::npos ? 0 : static_cast<int>(printed.size() - point - 1);
  const double tolerance = 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9);
  const double expected = std::stod(printed);
  if (std::fabs(actual - expected) <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::to_string(actual) << " (" << actual << ") does not print as "
                                       << printed;
}

}  // namespace vzorce
