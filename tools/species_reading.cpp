#include "species_reading.h"

#include "blanks.h"
#include "letter_case.h"
#include "species_catalogue.h"

namespace dravlik {

vzorce::SpeciesIndex ModelledSpecies(std::string_view text) {
  const auto species = ParseSpecies(text);
  if (!species) {
    throw std::invalid_argument("unknown species '" + std::string(text) + "' (see 'pdravlik-calc species')");
  }
  return *species;
}

void AddSpeciesMap(SpeciesReading& reading, std::string_view pairs) {
  while (true) {
    const std::size_t comma = pairs.find(',');
    const std::string_view pair = pairs.substr(0, comma);
    const std::size_t equals = pair.find('=');
    const std::string_view from = WithoutBlanks(pair.substr(0, equals));
    if (equals == std::string_view::npos || from.empty()) {
      throw std::invalid_argument("--species-map takes FROM=SPECIES pairs separated by commas, not '" +
                                  std::string(pair) + "'");
    }
    reading.map.push_back({std::string(from), ModelledSpecies(pair.substr(equals + 1))});
    if (comma == std::string_view::npos) return;
    pairs.remove_prefix(comma + 1);
  }
}

ReadSpecies ReadRowSpecies(const SpeciesReading& reading, std::string_view text) {
  if (!reading.map.empty()) {
    const std::string_view written = WithoutBlanks(text);
    for (const SpeciesMapping& mapping : reading.map) {
      if (SameTextIgnoringCaseInAnyLocale(written, mapping.from)) return {mapping.to, &mapping};
    }
  }
  return {ParseSpecies(text), nullptr};
}

std::string MappingNote(std::string_view written, const SpeciesMapping& mapping) {
  return std::string(WithoutBlanks(written)).append(" computed as ").append(WrittenCode(mapping.to));
}

}  // namespace dravlik
