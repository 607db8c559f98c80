// The growth curves of the height and diameter models.
//
// A curve has three terms, scale A, rate B and shape C, each a fifth-degree
// polynomial of the site index S. A coefficient row holds 18 doubles: columns
// 1-6 belong to A, 7-12 to B and 13-18 to C; within each group of six the
// coefficients multiply S^5, S^4, S^3, S^2, S and 1, in that order.
//
// The curve is anchored so that it passes through a given value at an anchor
// age: with D = P(1 - e^(r·anchor age), 1/C) · A and E = anchor value · A / D,
// the value at age t is P(1 - e^(r·t), 1/C) · E, where the exponent rate r is -B
// for heights and +B for diameters.
#pragma once

#include <array>
#include <cstddef>

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

// What the curve's value at an age needs beyond the age.
struct AnchoredCurve {
  double exponentRate;   // r
  double shapeExponent;  // 1/C
  double scaleFactor;    // E
};

AnchoredCurve AnchorCurve(const GrowthTerms& terms, double exponentRate, double anchorAge, double anchorValue);
double AnchoredCurveAt(const AnchoredCurve& curve, double age);

}  // namespace vzorce
