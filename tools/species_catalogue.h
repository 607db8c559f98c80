// The modelled species as people name them: the code the tables store, the
// index, and the Czech and English names.
#pragma once

#include <optional>
#include <string_view>

#include "species.h"

namespace dravlik {

struct SpeciesNames {
  std::string_view czech;
  std::string_view english;
};

// For a modelled species (0 to 12).
SpeciesNames NamesOf(vzorce::SpeciesIndex species);

// A code as the tables store it (SM, BO, ...; any letter case, surrounding
// blanks ignored) or an index 0 to 12; nothing for anything else.
std::optional<vzorce::SpeciesIndex> ParseSpecies(std::string_view text);

}  // namespace dravlik
