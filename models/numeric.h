// The numeric convention every model follows.
//
// Every value a model stores (a named intermediate, an argument, a result) is a
// double; the arithmetic inside one step runs at 64-bit-significand extended
// precision (`Extended`) and is rounded to double where the step stores it.
// Arithmetic errors are exceptions, raised by explicit checks exactly where the
// operation that causes them happens; underflow and inexact results raise nothing.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace vzorce {

using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64,
              "the models need long double to be the 64-bit-significand extended format");

class FloatingPointError : public std::runtime_error {
 protected:
  using std::runtime_error::runtime_error;
};

class DivisionByZeroError : public FloatingPointError {
 public:
  DivisionByZeroError() : FloatingPointError("Floating point division by zero") {}
};

class InvalidOperationError : public FloatingPointError {
 public:
  InvalidOperationError() : FloatingPointError("Invalid floating point operation") {}
};

class OverflowError : public FloatingPointError {
 public:
  OverflowError() : FloatingPointError("Floating point overflow") {}
};

// Rounds a step's result to the double it is stored as; a finite value beyond
// the double range overflows.
inline double Store(Extended x) {
  const double stored = static_cast<double>(x);
  if (std::isinf(stored) && !std::isinf(x)) throw OverflowError();
  if (std::isnan(x)) throw InvalidOperationError();
  return stored;
}

// A value about to be compared: comparing a not-a-number is an invalid operation.
inline Extended Ordered(Extended x) {
  if (std::isnan(x)) throw InvalidOperationError();
  return x;
}

inline Extended Divide(Extended dividend, Extended divisor) {
  if (std::isnan(dividend) || std::isnan(divisor)) throw InvalidOperationError();
  if (divisor == 0) {
    if (dividend == 0) throw InvalidOperationError();
    throw DivisionByZeroError();
  }
  if (std::isinf(dividend) && std::isinf(divisor)) throw InvalidOperationError();
  return dividend / divisor;
}

inline Extended Ln(Extended x) {
  if (std::isnan(x) || x < 0) throw InvalidOperationError();
  if (x == 0) throw DivisionByZeroError();
  return std::log(x);
}

inline Extended Exp(Extended x) {
  if (std::isnan(x)) throw InvalidOperationError();
  const Extended result = std::exp(x);
  if (std::isinf(result) && !std::isinf(x)) throw OverflowError();
  return result;
}

// The integer nearest to x, ties to even; an x that is not a number or lies
// outside the signed 64-bit range is an invalid operation.
std::int64_t RoundToInteger(Extended x);

// Rounding as the tables store values: the product with 10 or 100 formed exactly,
// rounded to a signed 64-bit integer with ties to even, then the double nearest
// to that integer over 10 or 100. A product that is not a number or lies outside
// the 64-bit range is an invalid operation.
double RoundToTenths(double x);
double RoundToHundredths(double x);

}  // namespace vzorce
