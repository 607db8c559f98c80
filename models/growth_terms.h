// The three terms of a growth curve: scale A, rate B and shape C, each a
// fifth-degree polynomial of the site index S.
//
// A coefficient row holds 18 doubles: columns 1-6 belong to A, 7-12 to B and
// 13-18 to C; within each group of six the coefficients multiply S^5, S^4, S^3,
// S^2, S and 1, in that order.
#pragma once

#include <array>

namespace vzorce {

using CoefficientRow = std::array<double, 18>;

struct GrowthTerms {
  double scale;  // A
  double rate;   // B
  double shape;  // C
};

// Each term summed from the S^5 product down to the constant, with the powers
// from the guarded power.
GrowthTerms GrowthTermsAt(const CoefficientRow& row, double siteIndex);

}  // namespace vzorce
