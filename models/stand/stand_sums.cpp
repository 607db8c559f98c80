#include "stand_sums.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace dravlik {
namespace {

constexpr long double kSquareMetresPerHa = 10000;
constexpr long double kDominantTreesPerHa = 100;

long double ExtendedBasalArea(long double diameter) {
  const long double metres = diameter / 100;
  return std::numbers::pi_v<long double> / 4 * metres * metres;
}

// The thicker tree first; of one diameter, the taller.
constexpr auto kThicker = [](const auto& a, const auto& b) {
  return a.diameter != b.diameter ? a.diameter > b.diameter : a.height > b.height;
};

}  // namespace

double BasalArea(double diameter) { return static_cast<double>(ExtendedBasalArea(diameter)); }

StandSums::StandSums(double areaM2) : area_(areaM2) {
  if (!(areaM2 > 0) || !std::isfinite(areaM2)) {
    throw std::invalid_argument("a plot's area must be positive and finite");
  }
  dominantTrees_ = kDominantTreesPerHa * areaM2 / kSquareMetresPerHa;
}

void StandSums::Add(double diameter, double height, double volume) {
  // NaN has no order, and the heap of the thickest trees needs one.
  if (std::isnan(diameter) || std::isnan(height)) {
    throw std::invalid_argument("a tree needs a diameter and a height");
  }
  const long double g = ExtendedBasalArea(diameter);
  ++trees_;
  diameterSquares_ += static_cast<long double>(diameter) * diameter;
  basalArea_ += g;
  basalAreaHeights_ += g * height;
  volume_ += volume;
  heights_ += height;

  // kThicker compares as "less", so the heap's top is the thinnest kept tree.
  const Tree tree{diameter, height};
  if (static_cast<long double>(thickest_.size()) < std::ceil(dominantTrees_)) {
    thickest_.push_back(tree);
    std::push_heap(thickest_.begin(), thickest_.end(), kThicker);
  } else if (kThicker(tree, thickest_.front())) {
    std::pop_heap(thickest_.begin(), thickest_.end(), kThicker);
    thickest_.back() = tree;
    std::push_heap(thickest_.begin(), thickest_.end(), kThicker);
  }
}

StandFigures StandSums::Figures() const {
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  const long double n = static_cast<long double>(trees_);
  const long double perHa = kSquareMetresPerHa / area_;
  StandFigures f;
  f.trees = trees_;
  f.treesPerHa = static_cast<double>(n * perHa);
  f.basalAreaPerHa = static_cast<double>(basalArea_ * perHa);
  f.volume = static_cast<double>(volume_);
  f.volumePerHa = static_cast<double>(volume_ * perHa);
  if (trees_ == 0) {
    f.qmd = f.loreyHeight = f.dominantHeight = kNone;
    return f;
  }
  f.qmd = static_cast<double>(std::sqrt(diameterSquares_ / n));
  f.loreyHeight = static_cast<double>(basalAreaHeights_ / basalArea_);
  f.dominantHeight = static_cast<double>(n <= dominantTrees_ ? heights_ / n : DominantHeights() / dominantTrees_);
  return f;
}

// The heights of the thickest k trees, the last weighted by its fraction.
long double StandSums::DominantHeights() const {
  std::vector<Tree> sorted = thickest_;
  std::sort(sorted.begin(), sorted.end(), kThicker);
  const long double whole = std::floor(dominantTrees_);
  const auto wholeTrees = static_cast<std::size_t>(whole);
  long double sum = 0;
  for (std::size_t i = 0; i < wholeTrees; ++i) sum += sorted[i].height;
  // Where k is whole there is no part-tree, and none kept beyond it.
  if (wholeTrees < sorted.size()) sum += sorted[wholeTrees].height * (dominantTrees_ - whole);
  return sum;
}

}  // namespace dravlik
