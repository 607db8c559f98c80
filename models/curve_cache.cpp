#include "curve_cache.h"

namespace vzorce {

CurveCache& HeightCurves() {
  thread_local CurveCache cache;
  return cache;
}

CurveCache& DiameterCurves() {
  thread_local CurveCache cache;
  return cache;
}

CurveValueMemo& HeightCurveValues() {
  thread_local CurveValueMemo memo;
  return memo;
}

std::size_t ClearCurveCaches() {
  return HeightCurves().Clear() + DiameterCurves().Clear() + HeightCurveValues().Clear();
}

}  // namespace vzorce
