#include "height_curve.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace dravlik {
namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// Diameters whose spread is below this share of their mean are one diameter:
// a caliper reads to a millimetre, a thousandth of a thin tree, so nothing
// measured differs by a billionth, and over so narrow a range the slope would
// only be the rounding of the heights.
constexpr long double kNegligibleSpread = 1e-9L;

struct LinearPoint {
  long double x, y;
};

LinearPoint LinearForm(CurveKind kind, double diameter, double height) {
  const long double d = diameter;
  const long double aboveBreast = static_cast<long double>(height) - kBreastHeight;
  if (kind == CurveKind::kNaslund) return {d, d / std::sqrt(aboveBreast)};
  return {1.0L / d, std::log(aboveBreast)};
}

std::string TooFew(std::uint64_t used, std::uint64_t needed) {
  const std::string trees = used == 1 ? " tree" : " trees";
  return std::to_string(used) + trees + " with a measured height, " + std::to_string(needed) + " needed";
}

// Inputs at the edge of the range can overflow a coefficient or leave it NaN;
// such a curve has no limit either, and must not pass as one.
bool RisesToLimit(double a, double b) {
  return a > 0 && b > 0 && std::isfinite(a) && std::isfinite(b);
}

}  // namespace

std::string_view CurveName(CurveKind kind) {
  return kind == CurveKind::kNaslund ? "naslund" : "michailoff";
}

std::optional<CurveKind> CurveNamed(std::string_view name) {
  if (name == "naslund" || name == "n\xC3\xA4slund") return CurveKind::kNaslund;
  if (name == "michailoff") return CurveKind::kMichailoff;
  return std::nullopt;
}

double HeightCurve::Height(double diameter) const {
  if (!(diameter > 0) || !std::isfinite(diameter)) return kNoValue;
  const long double d = diameter;
  if (kind == CurveKind::kMichailoff) {
    return static_cast<double>(kBreastHeight + a * std::exp(-b / d));
  }
  const long double divisor = a + b * d;
  // d / √(h − 1.3) is positive wherever the curve has a height.
  if (!(divisor > 0)) return kNoValue;
  return static_cast<double>(kBreastHeight + d * d / (divisor * divisor));
}

bool FitsCurve(double diameter, double height) {
  return diameter > 0 && std::isfinite(diameter) && std::isfinite(height) && height > kBreastHeight;
}

HeightCurveFit::HeightCurveFit(CurveKind kind) : kind_(kind) {}

void HeightCurveFit::Add(double diameter, double height) {
  if (!FitsCurve(diameter, height)) {
    ++unusable_;
    return;
  }
  const LinearPoint point = LinearForm(kind_, diameter, height);
  ++used_;
  const long double dx = point.x - meanX_;
  meanX_ += dx / used_;
  meanY_ += (point.y - meanY_) / used_;
  sxx_ += dx * (point.x - meanX_);
  sxy_ += dx * (point.y - meanY_);
  smallest_ = used_ == 1 ? diameter : std::min(smallest_, diameter);
  largest_ = used_ == 1 ? diameter : std::max(largest_, diameter);
}

std::uint64_t HeightCurveFit::TreesUsed() const { return used_; }

std::uint64_t HeightCurveFit::TreesUnusable() const { return unusable_; }

// A minimum below kFewestCurveTrees is raised to it: a curve through two
// trees would fit them exactly and hide its error.
std::variant<HeightCurve, std::string> HeightCurveFit::Fit(std::uint64_t minimumTrees) const {
  const std::uint64_t needed = std::max(minimumTrees, kFewestCurveTrees);
  if (used_ < needed) return TooFew(used_, needed);
  if (!(sxx_ > kNegligibleSpread * kNegligibleSpread * used_ * meanX_ * meanX_)) {
    return "all " + std::to_string(used_) + " trees with a measured height have one diameter";
  }
  const long double slope = sxy_ / sxx_;
  const long double intercept = meanY_ - slope * meanX_;
  HeightCurve curve;
  curve.kind = kind_;
  if (kind_ == CurveKind::kNaslund) {
    curve.a = static_cast<double>(intercept);
    curve.b = static_cast<double>(slope);
  } else {
    curve.a = static_cast<double>(std::exp(intercept));
    curve.b = static_cast<double>(-slope);
  }
  if (!RisesToLimit(curve.a, curve.b)) return "the fitted curve does not rise with the diameter to a limit";
  curve.trees = used_;
  curve.smallestDiameter = smallest_;
  curve.largestDiameter = largest_;
  return curve;
}

void CurveResiduals::Add(const HeightCurve& curve, double diameter, double height) {
  if (!FitsCurve(diameter, height)) return;
  const long double residual = static_cast<long double>(height) - curve.Height(diameter);
  squares_ += residual * residual;
  ++trees_;
}

double CurveResiduals::StandardError() const {
  if (trees_ < 3) return kNoValue;
  return static_cast<double>(std::sqrt(squares_ / (trees_ - 2)));
}

}  // namespace dravlik
