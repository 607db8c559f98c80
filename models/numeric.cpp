#include "numeric.h"

#include <cstdint>

namespace vzorce {
namespace {

// A double times 10 or 100 needs at most 53 + 7 significant bits, so the
// extended product is exact.
double RoundToMultipleOf(double x, int scale) {
  const std::int64_t n = RoundToInteger(static_cast<Extended>(x) * scale);
  return Store(static_cast<Extended>(n) / scale);
}

}  // namespace

std::int64_t RoundToInteger(Extended x) {
  // In the extended format every value below 2^63 in magnitude rounds into range.
  constexpr Extended kLimit = 9223372036854775808.0L;  // 2^63
  if (std::isnan(x) || x >= kLimit || x < -kLimit) throw InvalidOperationError();
  return std::llrint(x);  // the default rounding mode: ties to even
}

double RoundToTenths(double x) { return RoundToMultipleOf(x, 10); }
double RoundToHundredths(double x) { return RoundToMultipleOf(x, 100); }

}  // namespace vzorce
