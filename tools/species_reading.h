// How a row's species becomes a modelled species: as written (a code, an
// index or a name), one species for a whole file without a species column
// (--species), or an unmodelled species computed as a modelled one
// (--species-map KL=BK).
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "species.h"

namespace dravlik {

struct SpeciesMapping {
  std::string from;  // as the file writes it
  vzorce::SpeciesIndex to;
};

struct SpeciesReading {
  std::optional<vzorce::SpeciesIndex> fixed;
  std::vector<SpeciesMapping> map;
};

// A species as the user names it; std::invalid_argument with a message for
// anything but a modelled species.
vzorce::SpeciesIndex ModelledSpecies(std::string_view text);

// Adds the pairs of "KL=BK,LP=BK" to the map; std::invalid_argument with a
// message for a pair that is not FROM=SPECIES.
void AddSpeciesMap(SpeciesReading& reading, std::string_view pairs);

struct ReadSpecies {
  std::optional<vzorce::SpeciesIndex> species;  // none: unknown
  const SpeciesMapping* mapping = nullptr;      // when the map gave it
};

// The species of a row's text: the map first, so that a user may compute a
// modelled species as another one too, then the species as written.
ReadSpecies ReadRowSpecies(const SpeciesReading& reading, std::string_view text);

// "KL computed as BK", with the species as the row writes it.
std::string MappingNote(std::string_view written, const SpeciesMapping& mapping);

}  // namespace dravlik
