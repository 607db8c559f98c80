// Height curves fitted to measured trees: coefficients recovered from heights
// a known curve gives, with and without measuring error, and every tree or
// set of trees that cannot carry a curve refused for its reason.
#include "height_curve.h"

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "test_seed_for_tests.h"

namespace dravlik {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct Tree {
  double diameter, height;
};

HeightCurve Curve(CurveKind kind, double a, double b) {
  HeightCurve curve;
  curve.kind = kind;
  curve.a = a;
  curve.b = b;
  return curve;
}

// Diameters 8, 9, ... 60 cm with the heights the curve gives them.
std::vector<Tree> TreesOn(const HeightCurve& curve) {
  std::vector<Tree> trees;
  for (double d = 8; d <= 60; d += 1) trees.push_back({d, curve.Height(d)});
  return trees;
}

std::variant<HeightCurve, std::string> Fitted(CurveKind kind, const std::vector<Tree>& trees,
                                              std::uint64_t minimumTrees = kFewestCurveTrees) {
  HeightCurveFit fit(kind);
  for (const Tree& tree : trees) fit.Add(tree.diameter, tree.height);
  return fit.Fit(minimumTrees);
}

std::string Refusal(const std::variant<HeightCurve, std::string>& result) {
  const auto* reason = std::get_if<std::string>(&result);
  return reason ? *reason : "a curve was fitted";
}

void ExpectRelativelyNear(double actual, double expected, double tolerance) {
  EXPECT_NEAR(actual, expected, tolerance * std::abs(expected));
}

TEST(HeightCurveNames, RoundTripAndAcceptOnlyTheWrittenForms) {
  for (CurveKind kind : {CurveKind::kNaslund, CurveKind::kMichailoff}) {
    EXPECT_EQ(CurveNamed(CurveName(kind)), kind) << CurveName(kind);
  }
  EXPECT_EQ(CurveName(CurveKind::kNaslund), "naslund");
  EXPECT_EQ(CurveName(CurveKind::kMichailoff), "michailoff");
  EXPECT_EQ(CurveNamed("n\xC3\xA4slund"), CurveKind::kNaslund);
  for (const char* name : {"", "Naslund", "NASLUND", "naslund ", "michailof", "Michailoff", "n\xC3\xA4slundx"}) {
    EXPECT_EQ(CurveNamed(name), std::nullopt) << name;
  }
}

TEST(HeightCurveHeight, FollowsEachCurveFromBreastHeight) {
  // 30 / (1.5 + 0.2·30) = 4, so 1.3 + 16.
  EXPECT_NEAR(Curve(CurveKind::kNaslund, 1.5, 0.2).Height(30), 17.3, 1e-12);
  EXPECT_NEAR(Curve(CurveKind::kMichailoff, 35, 15).Height(30), 1.3 + 35 * std::exp(-0.5), 1e-12);
  // Both level off near breast height plus their limit: 1/b² and a.
  EXPECT_NEAR(Curve(CurveKind::kNaslund, 1.5, 0.2).Height(1e9), 1.3 + 25, 1e-6);
  EXPECT_NEAR(Curve(CurveKind::kMichailoff, 35, 15).Height(1e9), 1.3 + 35, 1e-6);
}

TEST(HeightCurveHeight, HasNoneWithoutAPositiveFiniteDiameterOrPastTheRoot) {
  for (CurveKind kind : {CurveKind::kNaslund, CurveKind::kMichailoff}) {
    const HeightCurve curve = Curve(kind, 1.5, 0.2);
    for (double d : {0.0, -0.0, -1.0, kNaN, kInfinity, -kInfinity}) {
      EXPECT_TRUE(std::isnan(curve.Height(d))) << CurveName(kind) << " at " << d;
    }
  }
  // a + b·d is zero at 10 cm and negative on the side away from the curve.
  EXPECT_TRUE(std::isnan(Curve(CurveKind::kNaslund, -5, 0.5).Height(10)));
  EXPECT_TRUE(std::isnan(Curve(CurveKind::kNaslund, -5, 0.5).Height(8)));
  EXPECT_FALSE(std::isnan(Curve(CurveKind::kNaslund, -5, 0.5).Height(12)));
  EXPECT_TRUE(std::isnan(Curve(CurveKind::kNaslund, 1, -0.1).Height(10)));
  EXPECT_TRUE(std::isnan(Curve(CurveKind::kNaslund, 1, -0.1).Height(20)));
  EXPECT_FALSE(std::isnan(Curve(CurveKind::kNaslund, 1, -0.1).Height(9)));
}

TEST(HeightCurveFit, RecoversTheCoefficientsOfExactHeights) {
  const std::vector<std::pair<double, double>> naslund = {{1.5, 0.2}, {0.8, 0.3}, {3.0, 0.15}, {0.2, 0.35}};
  const std::vector<std::pair<double, double>> michailoff = {{35, 15}, {25, 8}, {45, 25}, {12, 3}};
  for (const auto& [kind, pairs] : {std::pair{CurveKind::kNaslund, naslund}, std::pair{CurveKind::kMichailoff, michailoff}}) {
    for (const auto& [a, b] : pairs) {
      SCOPED_TRACE(std::string(CurveName(kind)) + " a " + std::to_string(a) + " b " + std::to_string(b));
      const auto result = Fitted(kind, TreesOn(Curve(kind, a, b)));
      ASSERT_TRUE(std::holds_alternative<HeightCurve>(result)) << Refusal(result);
      const HeightCurve& curve = std::get<HeightCurve>(result);
      EXPECT_EQ(curve.kind, kind);
      ExpectRelativelyNear(curve.a, a, 1e-9);
      ExpectRelativelyNear(curve.b, b, 1e-9);
      EXPECT_EQ(curve.trees, 53u);
      EXPECT_EQ(curve.smallestDiameter, 8);
      EXPECT_EQ(curve.largestDiameter, 60);
    }
  }
}

TEST(HeightCurveFit, TracksTheDiameterRangeWhateverTheOrder) {
  const HeightCurve truth = Curve(CurveKind::kMichailoff, 30, 10);
  std::vector<Tree> trees;
  for (double d : {31.0, 12.5, 44.0, 9.0, 27.0}) trees.push_back({d, truth.Height(d)});
  const auto result = Fitted(CurveKind::kMichailoff, trees);
  ASSERT_TRUE(std::holds_alternative<HeightCurve>(result)) << Refusal(result);
  EXPECT_EQ(std::get<HeightCurve>(result).smallestDiameter, 9.0);
  EXPECT_EQ(std::get<HeightCurve>(result).largestDiameter, 44.0);
}

// The spreads below were measured over 2000 seeds; each tolerance is at least
// 7.5 of those standard deviations beyond the mean error, so it never fails by
// chance, yet a fit that mishandles any tree moves far past it.
TEST(HeightCurveFit, RecoversTheCurveFromHeightsMeasuredWithError) {
  const testing::TestSeed seed;
  std::mt19937 random(seed.value());
  struct Case {
    CurveKind kind;
    double a, b, aTolerance, bTolerance;
  };
  for (const Case& c : {Case{CurveKind::kNaslund, 1.5, 0.2, 0.04, 0.01},
                        Case{CurveKind::kMichailoff, 35, 15, 0.015, 0.03}}) {
    SCOPED_TRACE(CurveName(c.kind));
    const HeightCurve truth = Curve(c.kind, c.a, c.b);
    std::uniform_real_distribution<double> diameter(8, 60);
    std::normal_distribution<double> error(0, 0.5);
    std::vector<Tree> trees;
    for (int i = 0; i < 2000; ++i) {
      const double d = diameter(random);
      trees.push_back({d, truth.Height(d) + error(random)});
    }
    const auto result = Fitted(c.kind, trees);
    ASSERT_TRUE(std::holds_alternative<HeightCurve>(result)) << Refusal(result);
    const HeightCurve& curve = std::get<HeightCurve>(result);
    ExpectRelativelyNear(curve.a, c.a, c.aTolerance);
    ExpectRelativelyNear(curve.b, c.b, c.bTolerance);
    CurveResiduals residuals;
    for (const Tree& tree : trees) residuals.Add(curve, tree.diameter, tree.height);
    EXPECT_EQ(residuals.Trees(), 2000u);
    EXPECT_NEAR(residuals.StandardError(), 0.5, 0.06);
  }
}

TEST(HeightCurveFit, RefusesTooFewTreesNamingBothCounts) {
  const std::vector<Tree> all = TreesOn(Curve(CurveKind::kNaslund, 1.5, 0.2));
  const auto first = [&](std::size_t n) { return std::vector<Tree>(all.begin(), all.begin() + n); };
  EXPECT_EQ(Refusal(Fitted(CurveKind::kNaslund, {}, 3)), "0 trees with a measured height, 3 needed");
  EXPECT_EQ(Refusal(Fitted(CurveKind::kNaslund, first(1), 5)), "1 tree with a measured height, 5 needed");
  EXPECT_EQ(Refusal(Fitted(CurveKind::kMichailoff, first(4), 5)), "4 trees with a measured height, 5 needed");
  EXPECT_TRUE(std::holds_alternative<HeightCurve>(Fitted(CurveKind::kNaslund, first(5), 5)));
  // Asking for fewer than the fewest still needs the fewest.
  EXPECT_EQ(Refusal(Fitted(CurveKind::kNaslund, first(2), 0)), "2 trees with a measured height, 3 needed");
  EXPECT_EQ(Refusal(Fitted(CurveKind::kNaslund, first(2), 2)), "2 trees with a measured height, 3 needed");
  EXPECT_TRUE(std::holds_alternative<HeightCurve>(Fitted(CurveKind::kNaslund, first(3), 1)));
}

TEST(HeightCurveFit, RefusesTreesAllOfOneDiameter) {
  for (CurveKind kind : {CurveKind::kNaslund, CurveKind::kMichailoff}) {
    SCOPED_TRACE(CurveName(kind));
    std::vector<Tree> trees;
    for (double h : {18.0, 19.5, 21.0, 17.2, 20.0, 22.4, 19.0}) trees.push_back({30, h});
    EXPECT_EQ(Refusal(Fitted(kind, trees)), "all 7 trees with a measured height have one diameter");
    // Diameters apart only by rounding are one diameter too.
    trees = {{30, 18}, {30 * (1 + 1e-12), 19}, {30 * (1 - 1e-12), 20}};
    EXPECT_EQ(Refusal(Fitted(kind, trees)), "all 3 trees with a measured height have one diameter");
    // A tenth of a millimetre is a measured difference.
    const HeightCurve truth = Curve(kind, kind == CurveKind::kNaslund ? 1.5 : 35, kind == CurveKind::kNaslund ? 0.2 : 15);
    trees = {{30, truth.Height(30)}, {30.01, truth.Height(30.01)}, {30.02, truth.Height(30.02)}};
    const auto result = Fitted(kind, trees);
    ASSERT_TRUE(std::holds_alternative<HeightCurve>(result)) << Refusal(result);
    ExpectRelativelyNear(std::get<HeightCurve>(result).b, truth.b, 1e-6);
  }
}

TEST(HeightCurveFit, RefusesACurveWithoutALimit) {
  const std::string refusal = "the fitted curve does not rise with the diameter to a limit";
  std::vector<Tree> negativeA, negativeB, falling;
  for (double d = 8; d <= 60; d += 4) {
    // d / √(h − 1.3) = −1 + 0.3·d: the root is negative near d = 0.
    negativeA.push_back({d, 1.3 + std::pow(d / (-1 + 0.3 * d), 2)});
    // h − 1.3 = d³ / 100 grows without end.
    negativeB.push_back({d, 1.3 + d * d * d / 100});
    // ln(h − 1.3) = ln 30 + 5/d: thick trees are lower.
    falling.push_back({d, 1.3 + 30 * std::exp(5 / d)});
  }
  EXPECT_EQ(Refusal(Fitted(CurveKind::kNaslund, negativeA)), refusal);
  EXPECT_EQ(Refusal(Fitted(CurveKind::kNaslund, negativeB)), refusal);
  EXPECT_EQ(Refusal(Fitted(CurveKind::kMichailoff, falling)), refusal);
  // Finite heights whose limit a = 1e310 m no double holds.
  std::vector<Tree> beyondRange;
  for (double d = 8; d <= 60; d += 4) beyondRange.push_back({d, static_cast<double>(1e310L * std::exp(-300.0L / d))});
  EXPECT_EQ(Refusal(Fitted(CurveKind::kMichailoff, beyondRange)), refusal);
}

TEST(HeightCurveFit, CountsUnusableTreesApartAndLeavesTheCurveAlone) {
  EXPECT_TRUE(FitsCurve(0.1, 1.31));
  EXPECT_TRUE(FitsCurve(30, std::nextafter(kBreastHeight, 2.0)));
  const std::vector<Tree> unusable = {{30, 1.3}, {30, 1.0},   {30, -4},       {0, 20},        {-5, 20},
                                      {kNaN, 20}, {30, kNaN}, {kInfinity, 20}, {30, kInfinity}, {-0.0, 20}};
  for (const Tree& tree : unusable) EXPECT_FALSE(FitsCurve(tree.diameter, tree.height)) << tree.diameter << " " << tree.height;
  for (CurveKind kind : {CurveKind::kNaslund, CurveKind::kMichailoff}) {
    SCOPED_TRACE(CurveName(kind));
    const std::vector<Tree> good = TreesOn(Curve(kind, kind == CurveKind::kNaslund ? 1.5 : 35, kind == CurveKind::kNaslund ? 0.2 : 15));
    HeightCurveFit clean(kind), mixed(kind);
    for (std::size_t i = 0; i < good.size(); ++i) {
      clean.Add(good[i].diameter, good[i].height);
      mixed.Add(good[i].diameter, good[i].height);
      if (i < unusable.size()) mixed.Add(unusable[i].diameter, unusable[i].height);
    }
    EXPECT_EQ(mixed.TreesUsed(), good.size());
    EXPECT_EQ(mixed.TreesUnusable(), unusable.size());
    EXPECT_EQ(clean.TreesUnusable(), 0u);
    const HeightCurve expected = std::get<HeightCurve>(clean.Fit(3));
    const HeightCurve actual = std::get<HeightCurve>(mixed.Fit(3));
    EXPECT_EQ(actual.a, expected.a);
    EXPECT_EQ(actual.b, expected.b);
    EXPECT_EQ(actual.trees, good.size());
    EXPECT_EQ(actual.smallestDiameter, 8);
    EXPECT_EQ(actual.largestDiameter, 60);
  }
  // Unusable trees alone still leave too few.
  HeightCurveFit none(CurveKind::kNaslund);
  for (const Tree& tree : unusable) none.Add(tree.diameter, tree.height);
  EXPECT_EQ(Refusal(none.Fit(3)), "0 trees with a measured height, 3 needed");
}

TEST(HeightCurveResiduals, MeasureTheErrorOnTheHeightScale) {
  const HeightCurve curve = Curve(CurveKind::kMichailoff, 35, 15);
  CurveResiduals residuals;
  EXPECT_TRUE(std::isnan(residuals.StandardError()));
  residuals.Add(curve, 20, curve.Height(20) + 1);
  residuals.Add(curve, 30, curve.Height(30) - 1);
  EXPECT_TRUE(std::isnan(residuals.StandardError()));
  residuals.Add(curve, 40, curve.Height(40) + 1);
  EXPECT_NEAR(residuals.StandardError(), std::sqrt(3.0 / 1), 1e-12);
  residuals.Add(curve, 50, curve.Height(50) - 1);
  EXPECT_NEAR(residuals.StandardError(), std::sqrt(4.0 / 2), 1e-12);
  // Trees the fit could not take are passed over here too.
  residuals.Add(curve, 30, 1.0);
  residuals.Add(curve, kNaN, 20);
  residuals.Add(curve, 0, 20);
  EXPECT_EQ(residuals.Trees(), 4u);
  EXPECT_NEAR(residuals.StandardError(), std::sqrt(4.0 / 2), 1e-12);

  CurveResiduals exact;
  const HeightCurve naslund = Curve(CurveKind::kNaslund, 1.5, 0.2);
  for (const Tree& tree : TreesOn(naslund)) exact.Add(naslund, tree.diameter, tree.height);
  EXPECT_EQ(exact.Trees(), 53u);
  EXPECT_LT(exact.StandardError(), 1e-12);
}

}  // namespace
}  // namespace dravlik
