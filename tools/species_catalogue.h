// The modelled species as people name them: the code the tables store, the
// index, and the Czech, Latin and English names.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "species.h"

namespace dravlik {

struct SpeciesNames {
  std::string_view czech;
  std::string_view czechWithoutDiacritics;
  // The species the model was fitted to; the second is empty where there is
  // one, both are where the model stands for the whole genus.
  std::array<std::string_view, 2> binomials;
  std::string_view genus;
  std::string_view english;
};

// For a modelled species (0 to 12).
SpeciesNames NamesOf(vzorce::SpeciesIndex species);

// The code as foresters write it: "SM", without the blank the tables pad it with.
std::string WrittenCode(vzorce::SpeciesIndex species);

// A code as the tables store it (SM, BO, ...), an index 0 to 12, or one of the
// species' names in NamesOf (a binomial or the genus alone for the Latin);
// any letter case, surrounding blanks ignored; nothing for anything else.
std::optional<vzorce::SpeciesIndex> ParseSpecies(std::string_view text);

// The modelled species, one line each, with their names and the site indices
// and ages the tables cover; every line fits 80 columns.
std::string SpeciesListing();

}  // namespace dravlik
