#include "species_catalogue.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <charconv>
#include <string>

#include "blanks.h"


namespace dravlik {
namespace {

// Species-index order.
constexpr std::array<SpeciesNames, vzorce::kModelledSpeciesCount> kNames = {{
    {"smrk", "Norway spruce"},
    {"borovice", "Scots pine"},
    {"modřín", "European larch"},
    {"jedle", "silver fir"},
    {"dub", "oak"},
    {"buk", "European beech"},
    {"jasan", "ash"},
    {"bříza", "birch"},
    {"olše", "alder"},
    {"topol", "poplar"},
    {"habr", "hornbeam"},
    {"akát", "black locust"},
    {"douglaska", "Douglas fir"},
}};

std::optional<vzorce::SpeciesIndex> ParseIndex(std::string_view text) {
  unsigned index = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
  if (error != std::errc() || end != text.data() + text.size() || index >= vzorce::kModelledSpeciesCount) {
    return std::nullopt;
  }
  return static_cast<vzorce::SpeciesIndex>(index);
}

// The codes as two capitals, first letter in the high byte; every modelled
// species has a code of two letters.
constexpr std::uint16_t Packed(char first, char second) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(first) << 8 | static_cast<unsigned char>(second));
}

const std::array<std::uint16_t, vzorce::kModelledSpeciesCount>& PackedCodes() {
  static const auto codes = [] {
    std::array<std::uint16_t, vzorce::kModelledSpeciesCount> packed{};
    std::string code;
    for (vzorce::SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
      vzorce::SpeciesCode(species, code);
      packed[species] = Packed(code[0], code[1]);
    }
    return packed;
  }();
  return codes;
}

char Capital(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

SpeciesNames NamesOf(vzorce::SpeciesIndex species) { return kNames.at(species); }

std::optional<vzorce::SpeciesIndex> ParseSpecies(std::string_view text) {
  text = WithoutBlanks(text);
  if (text.empty()) return std::nullopt;
  if (text.front() >= '0' && text.front() <= '9') return ParseIndex(text);
  if (text.size() != 2) return std::nullopt;
  const auto& codes = PackedCodes();
  const auto found = std::find(codes.begin(), codes.end(), Packed(Capital(text[0]), Capital(text[1])));
  if (found != codes.end()) return static_cast<vzorce::SpeciesIndex>(found - codes.begin());
  return std::nullopt;
}

}  // namespace dravlik
