#include "species.h"

#include <array>
#include <stdexcept>

namespace vzorce {
namespace {

constexpr std::array<const char*, 15> kSpeciesCodes = {
    "SM ", "BO ", "MD ", "JD ", "DB ", "BK ", "JS ", "BR ", "OL ", "TP ", "HB ", "AK ", "DG ", "KR ", "XXX",
};

struct SpeciesLimits {
  SiteIndexRange siteIndex;
  std::uint8_t maximumAge;
};

// Species-index order.
constexpr std::array<SpeciesLimits, kModelledSpeciesCount> kLimits = {{
    {{14, 38}, 150},  // SM
    {{12, 34}, 150},  // BO
    {{14, 40}, 150},  // MD
    {{18, 40}, 150},  // JD
    {{12, 34}, 150},  // DB
    {{16, 38}, 150},  // BK
    {{18, 34}, 130},  // JS
    {{12, 30}, 100},  // BR
    {{16, 30}, 110},  // OL
    {{16, 30}, 100},  // TP
    {{10, 22}, 110},  // HB
    {{10, 24}, 100},  // AK
    {{26, 40}, 100},  // DG
}};

const SpeciesLimits& LimitsOf(SpeciesIndex species) {
  if (!IsModelledSpecies(species)) throw UnmodelledSpecies(species, "model");
  return kLimits[species];
}

}  // namespace

void SpeciesCode(SpeciesIndex species, std::string& code) {
  const unsigned index = species & 0x7Fu;
  if (index < kSpeciesCodes.size()) code = kSpeciesCodes[index];
}

SiteIndexRange SiteIndexRangeOf(SpeciesIndex species) { return LimitsOf(species).siteIndex; }
std::uint8_t MaximumAge(SpeciesIndex species) { return LimitsOf(species).maximumAge; }

}  // namespace vzorce
