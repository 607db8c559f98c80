#include "plausible_ratio.h"

#include "numeric.h"

namespace dravlik {

bool HasPlausibleRatio(double height, double diameter) {
  const double ratio = vzorce::Store(vzorce::Divide(height, diameter));
  return ratio > kLowestPlausibleRatio && ratio < kHighestPlausibleRatio;
}

}  // namespace dravlik
