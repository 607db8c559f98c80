#include "numeric.h"

#include <cstdint>

namespace vzorce {
namespace {

// A double times 10 or 100 needs at most 53 + 7 significant bits, so the
// extended product is exact.
double RoundToMultipleOf(double x, int scale) {
  const Extended product = static_cast<Extended>(x) * scale;
  constexpr Extended kLimit = 9223372036854775808.0L;  // 2^63
  if (std::isnan(product) || product >= kLimit || product < -kLimit) throw InvalidOperationError();
  const std::int64_t n = std::llrint(product);  // the default rounding mode: ties to even
  return Store(static_cast<Extended>(n) / scale);
}

}  // namespace

double RoundToTenths(double x) { return RoundToMultipleOf(x, 10); }
double RoundToHundredths(double x) { return RoundToMultipleOf(x, 100); }

}  // namespace vzorce
