// The species catalogue: codes of the species indices 0 to 14, and the
// site-index range and maximum age of the thirteen modelled species 0 to 12.
#pragma once

#include <cstdint>
#include <string>

namespace vzorce {

using SpeciesIndex = std::uint8_t;

inline constexpr SpeciesIndex kModelledSpeciesCount = 13;

// True for the species 0 to 12, the ones with equations.
constexpr bool IsModelledSpecies(SpeciesIndex species) { return species < kModelledSpeciesCount; }

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
