// The species catalogue: codes of the species indices 0 to 14, and the
// site-index range and maximum age of the thirteen modelled species 0 to 12.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vzorce {

using SpeciesIndex = std::uint8_t;

inline constexpr SpeciesIndex kModelledSpeciesCount = 13;

// True for the species 0 to 12, the ones with equations.
constexpr bool IsModelledSpecies(SpeciesIndex species) { return species < kModelledSpeciesCount; }

// Any other index (13 and 14 have codes but no equations) is an unmodelled
// species. What each model does with one is part of its contract, kept as the
// tables were built:
//   SiteIndexRangeOf, MaximumAge, HeightCurve, Diameter   throw UnmodelledSpecies
//   SiteIndexHeight                                        gives 0
//   SiteIndexInversion                                     gives 0 for 14, throws for the others
//   Volume                                                 computes nothing (see volume.h)
// The young-stand model covers only some modelled species; it refuses the
// others with its own std::out_of_range.
class UnmodelledSpecies : public std::out_of_range {
 public:
  // `model` names what is missing: "model", "height model", ...
  UnmodelledSpecies(SpeciesIndex species, const std::string& model)
      : std::out_of_range("species index " + std::to_string(species) + " has no " + model) {}
};

// Assigns the three-character code of a species to `code`. Only the low seven
// bits of the index count; for a value other than 0 to 14, `code` keeps what it held.
void SpeciesCode(SpeciesIndex species, std::string& code);

struct SiteIndexRange {
  std::int32_t lowest;
  std::int32_t highest;
};

// For a modelled species; any other index throws std::out_of_range.
SiteIndexRange SiteIndexRangeOf(SpeciesIndex species);
std::uint8_t MaximumAge(SpeciesIndex species);

}  // namespace vzorce
