// The power function every model uses: base^exponent through the logarithm and
// the exponential. For bases up to 1 it flushes results below e^-80 to 0 and
// caps results above e^75 at 1e30.
#pragma once

namespace vzorce {

// Base first, exponent second. A base of 0 raises DivisionByZeroError, a
// negative base InvalidOperationError, a result beyond the double range
// OverflowError.
double GuardedPower(double base, double exponent);

}  // namespace vzorce
