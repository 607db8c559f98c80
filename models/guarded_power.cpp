#include "guarded_power.h"

#include "numeric.h"

namespace vzorce {

double GuardedPower(double base, double exponent) {
  if (Ordered(base) > 1) return Store(Exp(exponent * Ln(base)));
  const double reciprocal = Store(Divide(1, base));
  const double logarithm = Store(Ln(reciprocal));
  const double power = Store(static_cast<Extended>(exponent) * logarithm);  // ln of the result, negated
  if (Ordered(power) > 80) return 0;
  if (power < -75) return 1e30;
  return Store(Divide(1, Exp(power)));
}

}  // namespace vzorce
