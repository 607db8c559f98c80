// A plot's or stand's growing stock from its trees, on an area of A m²
// (d in cm, h in m, v in m³):
//   g = π/4·(d/100)²             a tree's basal area, m²
//   trees_per_ha = n · 10000/A
//   basal_area_per_ha = Σg · 10000/A       m²/ha
//   qmd = √(Σd² / n)                       cm
//   lorey_height = Σ(g·h) / Σg             m
//   volume = Σv, volume_per_ha = Σv · 10000/A
//   dominant_height: the mean height of the thickest 100 trees per hectare,
//     k = 100·A/10000 trees, the last one weighted by its fraction of a
//     tree; of trees of one diameter the taller counts first; the mean of
//     all trees where there are k or fewer.
// Memory holds the thickest ⌈k⌉ trees, not all of them.
#pragma once

#include <cstdint>
#include <vector>

namespace dravlik {

struct StandFigures {
  std::uint64_t trees = 0;
  double treesPerHa = 0, basalAreaPerHa = 0;
  double qmd = 0, loreyHeight = 0, dominantHeight = 0;  // NaN without trees
  double volume = 0, volumePerHa = 0;
};

// A tree's basal area (m²) from its diameter (cm).
double BasalArea(double diameter);

class StandSums {
 public:
  // areaM2 > 0 and finite.
  explicit StandSums(double areaM2);

  void Add(double diameter, double height, double volume);

  double Area() const { return area_; }
  StandFigures Figures() const;

 private:
  struct Tree {
    double diameter, height;
  };
  long double DominantHeights() const;

  double area_;
  // k; a double would lose the smallest areas to zero.
  long double dominantTrees_;
  std::uint64_t trees_ = 0;
  // Extended precision, so that the order of the trees seldom moves even the
  // last digit, in plots of any size.
  long double diameterSquares_ = 0, basalArea_ = 0, basalAreaHeights_ = 0, volume_ = 0, heights_ = 0;
  std::vector<Tree> thickest_;  // a heap of at most ⌈k⌉ trees, the thinnest first
};

}  // namespace dravlik
