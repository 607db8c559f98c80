#include "stand_sums.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "test_seed_for_tests.h"

namespace dravlik {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct Tree {
  double diameter, height, volume;
};

StandSums Plot(double area, const std::vector<Tree>& trees) {
  StandSums sums(area);
  for (const Tree& t : trees) sums.Add(t.diameter, t.height, t.volume);
  return sums;
}

TEST(BasalArea, IsTheCircleOfTheDiameterInMetres) {
  EXPECT_DOUBLE_EQ(BasalArea(40), kPi / 4 * 0.40 * 0.40);
  EXPECT_DOUBLE_EQ(BasalArea(12.5), kPi / 4 * 0.125 * 0.125);
  EXPECT_EQ(BasalArea(0), 0.0);
  // π/4·0.0289 = 0.02269800692218625615…: a double π, or the product in
  // doubles, lands a step off the nearest double.
  EXPECT_EQ(BasalArea(17), 0.02269800692218625765);
  EXPECT_EQ(BasalArea(40), 0.12566370614359172954);
}

TEST(StandSums, ThreeTreesOnHalfAHectareTenth) {
  const StandFigures f = Plot(500, {{20, 18, 0.28}, {30, 22, 0.70}, {25, 20, 0.45}}).Figures();
  EXPECT_EQ(f.trees, 3u);
  EXPECT_DOUBLE_EQ(f.treesPerHa, 3 * 10000.0 / 500);
  EXPECT_DOUBLE_EQ(f.basalAreaPerHa, 10000.0 / 500 * (kPi / 4 * (0.20 * 0.20 + 0.30 * 0.30 + 0.25 * 0.25)));
  EXPECT_DOUBLE_EQ(f.qmd, std::sqrt((20.0 * 20 + 30 * 30 + 25 * 25) / 3));
  EXPECT_DOUBLE_EQ(f.loreyHeight, (0.04 * 18 + 0.09 * 22 + 0.0625 * 20) / (0.04 + 0.09 + 0.0625));
  EXPECT_DOUBLE_EQ(f.volume, 0.28 + 0.70 + 0.45);
  EXPECT_DOUBLE_EQ(f.volumePerHa, 10000.0 / 500 * (0.28 + 0.70 + 0.45));
  // Three trees of the five per 500 m²: the mean of all.
  EXPECT_DOUBLE_EQ(f.dominantHeight, (18.0 + 22 + 20) / 3);
}

TEST(StandSums, PerHectareExpansionFollowsThePlotsArea) {
  const std::vector<Tree> trees{{16, 14, 0.12}, {22, 19, 0.33}, {28, 23, 0.61}, {35, 26, 1.10}};
  const double squares = 16.0 * 16 + 22 * 22 + 28 * 28 + 35 * 35;
  const double gh = 0.16 * 0.16 * 14 + 0.22 * 0.22 * 19 + 0.28 * 0.28 * 23 + 0.35 * 0.35 * 26;
  for (const double area : {200.0, 500.0, 1000.0}) {
    SCOPED_TRACE(area);
    const StandFigures f = Plot(area, trees).Figures();
    EXPECT_DOUBLE_EQ(f.treesPerHa, 10000 / area * 4);
    EXPECT_DOUBLE_EQ(f.basalAreaPerHa, 10000 / area * (kPi / 4 * squares / 10000));
    EXPECT_DOUBLE_EQ(f.volumePerHa, 10000 / area * (0.12 + 0.33 + 0.61 + 1.10));
    EXPECT_DOUBLE_EQ(f.volume, 0.12 + 0.33 + 0.61 + 1.10);
    EXPECT_DOUBLE_EQ(f.qmd, std::sqrt(squares / 4));
    EXPECT_DOUBLE_EQ(f.loreyHeight, gh / (squares / 10000));
  }
  EXPECT_DOUBLE_EQ(Plot(200, trees).Figures().treesPerHa, 200);
  EXPECT_DOUBLE_EQ(Plot(1000, trees).Figures().treesPerHa, 40);
}

TEST(StandSums, DominantHeightOfTheThickestHundredPerHectare) {
  // 250 m²: 2.5 trees, the third-thickest counted half; added thinnest and thickest mixed.
  const std::vector<Tree> six{{28, 24, 0}, {40, 30, 0}, {20, 20, 0}, {32, 27, 0}, {35, 28, 0}, {30, 25, 0}};
  EXPECT_DOUBLE_EQ(Plot(250, six).Figures().dominantHeight, (30 + 28 + 0.5 * 27) / 2.5);
  // 500 m²: five whole trees; the sixth, thinnest, left out.
  EXPECT_DOUBLE_EQ(Plot(500, six).Figures().dominantHeight, (30.0 + 28 + 27 + 25 + 24) / 5);
  // Exactly five: still all of them.
  const std::vector<Tree> five(six.begin(), six.begin() + 5);
  EXPECT_DOUBLE_EQ(Plot(500, five).Figures().dominantHeight, (24.0 + 30 + 20 + 27 + 28) / 5);
  // 1,000 m²: ten of twelve; the two thinnest are also the tallest here.
  std::vector<Tree> twelve{{12, 31, 0}, {14, 33, 0}};
  for (int i = 0; i < 10; ++i) twelve.push_back({20.0 + i, 15.0 + i, 0});
  EXPECT_DOUBLE_EQ(Plot(1000, twelve).Figures().dominantHeight,
                   (15.0 + 16 + 17 + 18 + 19 + 20 + 21 + 22 + 23 + 24) / 10);
  // Under a tree per plot: the thickest alone.
  EXPECT_DOUBLE_EQ(Plot(50, six).Figures().dominantHeight, 30);
}

TEST(StandSums, OfOneDiameterTheTallerCountsFirst) {
  // 250 m²: of the three 30 cm trees the two tallest whole, the shortest half.
  const std::vector<Tree> ties{{30, 20, 0}, {20, 35, 0}, {30, 25, 0}, {30, 22, 0}};
  EXPECT_DOUBLE_EQ(Plot(250, ties).Figures().dominantHeight, (25 + 22 + 0.5 * 20) / 2.5);
  // 100 m²: one tree, the tallest of the thickest, wherever it comes.
  for (std::size_t first = 0; first < ties.size(); ++first) {
    std::vector<Tree> turned = ties;
    std::rotate(turned.begin(), turned.begin() + static_cast<std::ptrdiff_t>(first), turned.end());
    EXPECT_DOUBLE_EQ(Plot(100, turned).Figures().dominantHeight, 25) << "from tree " << first;
    EXPECT_DOUBLE_EQ(Plot(200, turned).Figures().dominantHeight, (25.0 + 22) / 2) << "from tree " << first;
  }
}

TEST(StandSums, FiguresLeaveTheSumsAsTheyWere) {
  StandSums sums(250);
  for (const Tree& t : std::vector<Tree>{{30, 25, 0}, {40, 30, 0}, {35, 28, 0}, {20, 20, 0}}) {
    sums.Add(t.diameter, t.height, t.volume);
  }
  EXPECT_DOUBLE_EQ(sums.Figures().dominantHeight, (30 + 28 + 0.5 * 25) / 2.5);
  sums.Add(32, 27, 0);
  sums.Add(25, 40, 0);
  EXPECT_DOUBLE_EQ(sums.Figures().dominantHeight, (30 + 28 + 0.5 * 27) / 2.5);
  EXPECT_EQ(sums.Figures().trees, 6u);
}

std::vector<Tree> RandomPlot(std::mt19937& random, int count) {
  // Whole centimetres and metres, so that ties of diameter and of both occur.
  std::uniform_int_distribution<int> diameter(8, 60), height(10, 35);
  std::uniform_real_distribution<double> volume(0.02, 3.0);
  std::vector<Tree> trees;
  for (int i = 0; i < count; ++i) trees.push_back({double(diameter(random)), double(height(random)), volume(random)});
  return trees;
}

// Every tree sorted, none left out: the figure the kept heap must match.
double DominantHeightOfAll(std::vector<Tree> trees, double k) {
  std::sort(trees.begin(), trees.end(), [](const Tree& a, const Tree& b) {
    return a.diameter != b.diameter ? a.diameter > b.diameter : a.height > b.height;
  });
  const double whole = std::floor(k);
  double sum = 0;
  for (std::size_t i = 0; i < std::size_t(whole); ++i) sum += trees[i].height;
  return (sum + trees[std::size_t(whole)].height * (k - whole)) / k;
}

TEST(StandSums, TheOrderOfTheTreesChangesNoFigure) {
  const dravlik::testing::TestSeed seed;
  std::mt19937 random(seed.value());
  const std::vector<Tree> trees = RandomPlot(random, 300);
  for (const double area : {250.0, 1000.0, 1234.5}) {
    SCOPED_TRACE(area);
    const StandFigures in = Plot(area, trees).Figures();
    EXPECT_DOUBLE_EQ(in.dominantHeight, DominantHeightOfAll(trees, area / 100));
    for (int round = 0; round < 5; ++round) {
      std::vector<Tree> shuffled = trees;
      std::shuffle(shuffled.begin(), shuffled.end(), random);
      const StandFigures out = Plot(area, shuffled).Figures();
      EXPECT_EQ(out.trees, in.trees);
      EXPECT_EQ(out.dominantHeight, in.dominantHeight);
      // Long double sums in another order may still round once otherwise.
      EXPECT_DOUBLE_EQ(out.treesPerHa, in.treesPerHa);
      EXPECT_DOUBLE_EQ(out.basalAreaPerHa, in.basalAreaPerHa);
      EXPECT_DOUBLE_EQ(out.qmd, in.qmd);
      EXPECT_DOUBLE_EQ(out.loreyHeight, in.loreyHeight);
      EXPECT_DOUBLE_EQ(out.volume, in.volume);
      EXPECT_DOUBLE_EQ(out.volumePerHa, in.volumePerHa);
    }
  }
}

TEST(StandSums, EmptyPlotHasNoMeans) {
  const StandFigures f = StandSums(500).Figures();
  EXPECT_EQ(f.trees, 0u);
  EXPECT_EQ(f.treesPerHa, 0);
  EXPECT_EQ(f.basalAreaPerHa, 0);
  EXPECT_EQ(f.volume, 0);
  EXPECT_EQ(f.volumePerHa, 0);
  EXPECT_TRUE(std::isnan(f.qmd));
  EXPECT_TRUE(std::isnan(f.loreyHeight));
  EXPECT_TRUE(std::isnan(f.dominantHeight));
}

TEST(StandSums, AreasAtTheEdges) {
  const std::vector<Tree> trees{{20, 18, 0.3}, {30, 24, 0.8}, {25, 21, 0.5}};
  // k = 100·A/10000 underflows a double here; the thickest tree still stands.
  EXPECT_DOUBLE_EQ(Plot(4.9e-324, trees).Figures().dominantHeight, 24);
  EXPECT_DOUBLE_EQ(Plot(1e-6, trees).Figures().dominantHeight, 24);
  // A vast area keeps only the trees it is given: the mean of all.
  EXPECT_DOUBLE_EQ(Plot(1e300, trees).Figures().dominantHeight, (18.0 + 24 + 21) / 3);
  EXPECT_DOUBLE_EQ(Plot(1e300, trees).Figures().treesPerHa, 3 * 10000 / 1e300);
}

TEST(StandSums, RejectsWhatCannotBeMeasured) {
  for (const double area : {0.0, -0.0, -500.0, kNaN, kInfinity, -kInfinity}) {
    EXPECT_THROW(StandSums{area}, std::invalid_argument) << area;
  }
  StandSums sums(500);
  EXPECT_THROW(sums.Add(kNaN, 20, 0.5), std::invalid_argument);
  EXPECT_THROW(sums.Add(30, kNaN, 0.5), std::invalid_argument);
  EXPECT_EQ(sums.Figures().trees, 0u);
}

}  // namespace
}  // namespace dravlik
