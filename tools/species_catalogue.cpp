#include "species_catalogue.h"

#include <array>
#include <charconv>
#include <string>


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

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<vzorce::SpeciesIndex> ParseIndex(std::string_view text) {
  unsigned index = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
  if (error != std::errc() || end != text.data() + text.size() || index >= vzorce::kModelledSpeciesCount) {
    return std::nullopt;
  }
  return static_cast<vzorce::SpeciesIndex>(index);
}

// The codes without the tables' padding, in capitals.
const std::array<std::string, vzorce::kModelledSpeciesCount>& Codes() {
  static const auto codes = [] {
    std::array<std::string, vzorce::kModelledSpeciesCount> trimmed;
    for (vzorce::SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
      vzorce::SpeciesCode(species, trimmed[species]);
      trimmed[species] = std::string(Trimmed(trimmed[species]));
    }
    return trimmed;
  }();
  return codes;
}

// The codes are ASCII, so nothing else can match.
bool SameCode(std::string_view code, std::string_view text) {
  if (code.size() != text.size()) return false;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
    if (c != code[i]) return false;
  }
  return true;
}

}  // namespace

SpeciesNames NamesOf(vzorce::SpeciesIndex species) { return kNames.at(species); }

std::optional<vzorce::SpeciesIndex> ParseSpecies(std::string_view text) {
  text = Trimmed(text);
  if (text.empty()) return std::nullopt;
  if (text.front() >= '0' && text.front() <= '9') return ParseIndex(text);
  for (vzorce::SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    if (SameCode(Codes()[species], text)) return species;
  }
  return std::nullopt;
}

}  // namespace dravlik
