#include "species_catalogue.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "blanks.h"
#include "height_diameter_table.h"
#include "site_class_table.h"
#include "letter_case.h"

namespace dravlik {
namespace {

// Species-index order.
constexpr std::array<SpeciesNames, vzorce::kModelledSpeciesCount> kNames = {{
    {"smrk", "smrk", {"Picea abies", ""}, "Picea", "Norway spruce"},
    {"borovice", "borovice", {"Pinus sylvestris", ""}, "Pinus", "Scots pine"},
    {"modřín", "modrin", {"Larix decidua", ""}, "Larix", "European larch"},
    {"jedle", "jedle", {"Abies alba", ""}, "Abies", "silver fir"},
    {"dub", "dub", {"Quercus robur", "Quercus petraea"}, "Quercus", "oak"},
    {"buk", "buk", {"Fagus sylvatica", ""}, "Fagus", "European beech"},
    {"jasan", "jasan", {"Fraxinus excelsior", ""}, "Fraxinus", "ash"},
    {"bříza", "briza", {"Betula pendula", ""}, "Betula", "birch"},
    {"olše", "olse", {"Alnus glutinosa", ""}, "Alnus", "alder"},
    {"topol", "topol", {"", ""}, "Populus", "poplar"},
    {"habr", "habr", {"Carpinus betulus", ""}, "Carpinus", "hornbeam"},
    {"akát", "akat", {"Robinia pseudoacacia", ""}, "Robinia", "black locust"},
    {"douglaska", "douglaska", {"Pseudotsuga menziesii", ""}, "Pseudotsuga", "Douglas fir"},
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

std::optional<vzorce::SpeciesIndex> ParseCode(std::string_view text) {
  const auto& codes = PackedCodes();
  const auto found = std::find(codes.begin(), codes.end(), Packed(Capital(text[0]), Capital(text[1])));
  if (found == codes.end()) return std::nullopt;
  return static_cast<vzorce::SpeciesIndex>(found - codes.begin());
}

// `text` is not empty, so never matches a name the table leaves empty.
bool IsNameOf(const SpeciesNames& names, std::string_view text) {
  for (const std::string_view name : {names.czech, names.czechWithoutDiacritics, names.binomials[0],
                                      names.binomials[1], names.genus, names.english}) {
    if (SameTextIgnoringCaseInAnyLocale(text, name)) return true;
  }
  return false;
}

std::optional<vzorce::SpeciesIndex> ParseName(std::string_view text) {
  for (vzorce::SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    if (IsNameOf(kNames[species], text)) return species;
  }
  return std::nullopt;
}

constexpr std::size_t kScreenColumns = 80;
constexpr std::string_view kColumnGap = "  ";

enum Column { kIndex, kCode, kCzech, kLatin, kEnglish, kSiteIndex, kAge, kColumnCount };
using Row = std::array<std::string, kColumnCount>;
constexpr std::array<std::string_view, kColumnCount> kHeadings = {"idx",     "code",       "czech", "latin",
                                                                  "english", "site index", "age"};

// Columns on a terminal are letters, and the Czech names have letters of two bytes.
std::size_t Letters(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Span(int lowest, int highest) { return std::to_string(lowest) + "-" + std::to_string(highest); }

// Oak's two species share the genus: "Quercus robur/petraea".
std::string LatinOf(const SpeciesNames& names) {
  if (names.binomials[0].empty()) return std::string(names.genus);
  std::string latin(names.binomials[0]);
  const std::string_view second = names.binomials[1];
  if (!second.empty()) latin.append("/").append(second.substr(second.find(' ') + 1));
  return latin;
}

Row RowOf(vzorce::SpeciesIndex species) {
  const SpeciesNames& names = kNames[species];
  const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(species);
  return {std::to_string(species),
          WrittenCode(species),
          std::string(names.czech),
          LatinOf(names),
          std::string(names.english),
          Span(range.lowest, range.highest) + " m",
          Span(kYoungestTableAge, vzorce::MaximumAge(species))};
}

std::vector<Row> ListingRows() {
  std::vector<Row> rows(1);
  std::copy(kHeadings.begin(), kHeadings.end(), rows[0].begin());
  for (vzorce::SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    rows.push_back(RowOf(species));
  }
  return rows;
}

std::string Notes() {
  return "The height-diameter table covers heights " + Span(kLowestTableHeight, kHighestTableHeight) +
         " m and diameters " + Span(kLowestTableDiameter, kHighestTableDiameter) + " cm\nfor every species.\n";
}

using Widths = std::array<std::size_t, kColumnCount>;

Widths WidthsOf(const std::vector<Row>& rows) {
  Widths widths{};
  for (const Row& row : rows) {
    for (std::size_t column = 0; column < kColumnCount; ++column) {
      widths[column] = std::max(widths[column], Letters(row[column]));
    }
  }
  return widths;
}

std::size_t LineWidth(const Widths& widths, const std::vector<Column>& columns) {
  std::size_t width = kColumnGap.size() * (columns.size() - 1);
  for (const Column column : columns) width += widths[column];
  return width;
}

std::string Aligned(const std::vector<Row>& rows, const Widths& widths, const std::vector<Column>& columns) {
  std::string text;
  for (const Row& row : rows) {
    std::string line;
    for (const Column column : columns) {
      if (column != columns.front()) line.append(kColumnGap);
      line.append(row[column]).append(widths[column] - Letters(row[column]), ' ');
    }
    text.append(WithoutBlanks(line)).append("\n");
  }
  return text;
}

}  // namespace

SpeciesNames NamesOf(vzorce::SpeciesIndex species) { return kNames.at(species); }

std::optional<vzorce::SpeciesIndex> ParseSpecies(std::string_view text) {
  text = WithoutBlanks(text);
  if (text.empty()) return std::nullopt;
  // Nearly every value of a batch run is a code: settle codes and indices
  // before comparing names.
  if (text.front() >= '0' && text.front() <= '9') return ParseIndex(text);
  if (text.size() == 2) {
    if (const auto species = ParseCode(text)) return species;
  }
  return ParseName(text);
}

std::string SpeciesListing() {
  const std::vector<Row> rows = ListingRows();
  const Widths widths = WidthsOf(rows);
  std::vector<Column> columns = {kIndex, kCode, kCzech, kLatin, kEnglish, kSiteIndex, kAge};
  // The English name is the one a Czech forester misses least.
  if (LineWidth(widths, columns) > kScreenColumns) std::erase(columns, kEnglish);
  return Aligned(rows, widths, columns) + "\n" + Notes();
}

std::string WrittenCode(vzorce::SpeciesIndex species) {
  std::string code;
  vzorce::SpeciesCode(species, code);
  return std::string(WithoutBlanks(code));
}

}  // namespace dravlik
