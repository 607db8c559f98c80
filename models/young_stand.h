// The young-stand model of the species SM, BO, DB and BK (0, 1, 4, 5): below a
// threshold age that depends on the site index, their height follows an
// anchored young-stand curve, converted by the young-stand height inversion.
#pragma once

#include <cstdint>

#include "species.h"

namespace vzorce {

constexpr bool IsYoungStandSpecies(SpeciesIndex species) {
  return species == 0 || species == 1 || species == 4 || species == 5;
}

struct YoungStandThreshold {
  std::int32_t age;        // years; 0: the young-stand model never applies
  double referenceHeight;  // metres, reached by the curve at age 100
};

inline constexpr int kLowestThresholdSiteIndex = 12;
inline constexpr int kHighestThresholdSiteIndex = 39;

// For a young-stand species and a whole site index from 12 to 39; anything
// else throws std::out_of_range.
YoungStandThreshold YoungStandThresholdAt(SpeciesIndex species, int wholeSiteIndex);

// y(n) = M · (1 - e^(-K·n))^(1/U), with M and U linear in the reference height
// x and K chosen so that y(100) = x. Throws std::out_of_range for a species
// without young-stand constants.
double YoungStandCurve(std::int32_t age, SpeciesIndex species, double referenceHeight);

// The z with z·(1 + 1/(a + 1.25·b·z²)) within 0.0005 of x, found by halving
// steps from z = x. `evaluations`, when given, receives how many times the
// function was evaluated. A search that stops moving before it meets the
// tolerance raises InvalidOperationError instead of looping for ever. Throws
// std::out_of_range for a species without young-stand constants.
double YoungStandHeightInversion(SpeciesIndex species, double x, int* evaluations = nullptr);

}  // namespace vzorce
