// Height curves fitted to the measured trees of a plot or stand, with which
// Czech inventory practice fills the heights of trees measured only at
// breast height (d in cm, h in m):
//   Näslund:    h = 1.3 + d² / (a + b·d)²
//   Michailoff: h = 1.3 + a·e^(−b/d)
// Both are fitted by least squares on their linear forms:
//   Näslund:    d / √(h − 1.3) = a + b·d
//   Michailoff: ln(h − 1.3) = ln a − b·(1/d)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace dravlik {

enum class CurveKind { kNaslund, kMichailoff };

// "naslund", "michailoff"
std::string_view CurveName(CurveKind kind);
std::optional<CurveKind> CurveNamed(std::string_view name);

inline constexpr double kBreastHeight = 1.3;  // m: every curve starts there

// The fewest measured heights a curve may be fitted on: with two it would
// pass through both and say nothing of its error.
inline constexpr std::uint64_t kFewestCurveTrees = 3;

struct HeightCurve {
  CurveKind kind = CurveKind::kNaslund;
  double a = 0, b = 0;
  std::uint64_t trees = 0;  // the measured trees it was fitted on
  double smallestDiameter = 0, largestDiameter = 0;  // of those trees, cm

  // The curve's height (m) at a diameter (cm); NaN where it has none: a
  // diameter that is not positive and finite, or (Näslund) one where
  // a + b·d <= 0.
  double Height(double diameter) const;
};

// Whether a measured tree can be taken into a fit: its linear form needs a
// positive finite diameter and a finite height above breast height.
bool FitsCurve(double diameter, double height);

// The measured trees of one group and species, taken one at a time in
// constant memory.
class HeightCurveFit {
 public:
  explicit HeightCurveFit(CurveKind kind);

  // A tree with both values; one that FitsCurve refuses is counted apart.
  void Add(double diameter, double height);

  std::uint64_t TreesUsed() const;
  std::uint64_t TreesUnusable() const;

  // The curve, or why there is none; a minimum below kFewestCurveTrees is
  // taken as kFewestCurveTrees:
  //   "3 trees with a measured height, 5 needed"
  //   "all 7 trees with a measured height have one diameter"
  //   "the fitted curve does not rise with the diameter to a limit"
  std::variant<HeightCurve, std::string> Fit(std::uint64_t minimumTrees) const;

 private:
  CurveKind kind_;
  std::uint64_t used_ = 0, unusable_ = 0;
  // Means and co-moments of the linear form's x and y, updated as Welford
  // does, so that a million trees lose no digits to cancellation.
  long double meanX_ = 0, meanY_ = 0, sxx_ = 0, sxy_ = 0;
  double smallest_ = 0, largest_ = 0;
};

// A fitted curve's residual standard error on the height scale (m),
// √(Σ(h − ĥ)² / (n − 2)), from a second pass over the trees it was fitted on
// (the trees FitsCurve refuses are passed over here too).
class CurveResiduals {
 public:
  void Add(const HeightCurve& curve, double diameter, double height);
  std::uint64_t Trees() const { return trees_; }
  double StandardError() const;  // NaN below three trees

 private:
  std::uint64_t trees_ = 0;
  long double squares_ = 0;
};

}  // namespace dravlik
