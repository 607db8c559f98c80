#include "plausible_ratio.h"

#include "numeric.h"

namespace dravlik {

bool HasPlausibleRatio(int height, int diameter) {
  const double ratio = vzorce::Store(vzorce::Divide(height, diameter));
  return ratio > 0.25 && ratio < 1.9L;
}

}  // namespace dravlik
