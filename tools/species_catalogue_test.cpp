// The species as foresters write them, and the listing that tells them how.
#include "species_catalogue.h"

#include <clocale>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "height_diameter_table.h"

namespace dravlik {
namespace {

using Spellings = std::vector<std::pair<std::string, int>>;

void ExpectParsed(const Spellings& spellings) {
  for (const auto& [text, species] : spellings) {
    const auto parsed = ParseSpecies(text);
    ASSERT_TRUE(parsed.has_value()) << '"' << text << '"';
    EXPECT_EQ(*parsed, species) << '"' << text << '"';
  }
}

// The C library's character classes as LC_ALL=C leaves them, for one test.
class InCLocale {
 public:
  InCLocale() : previous_(std::setlocale(LC_CTYPE, nullptr)) { std::setlocale(LC_CTYPE, "C"); }
  ~InCLocale() { std::setlocale(LC_CTYPE, previous_.c_str()); }

 private:
  std::string previous_;
};

TEST(ParseSpecies, CodesAndIndicesAsTheTablesStoreThem) {
  ExpectParsed({{"SM", 0}, {"bo", 1}, {"Md", 2}, {"AK", 11}, {" DG\t", 12}, {"0", 0}, {"12", 12}, {" 7 ", 7}});
}

TEST(ParseSpecies, CzechNamesWithOrWithoutDiacriticsInAnyCase) {
  const InCLocale plain;
  ExpectParsed({{"smrk", 0},      {"BOROVICE", 1}, {"modřín", 2}, {"MODŘÍN", 2},     {"Modrin", 2},
                {"jedle", 3},     {"Dub", 4},      {"buk", 5},    {"jasan", 6},      {"bříza", 7},
                {"Bříza", 7},     {"BRIZA", 7},    {"olše", 8},   {"OLŠE", 8},       {"olse", 8},
                {"topol", 9},     {"habr", 10},    {"akát", 11},  {"AKÁT", 11},      {"akat", 11},
                {"douglaska", 12}, {" smrk ", 0},  {"\tOlše", 8}, {"modřín\t \t", 2}});
}

TEST(ParseSpecies, LatinBinomialsAndGenera) {
  ExpectParsed({{"Picea abies", 0},         {"Picea", 0},       {"Pinus sylvestris", 1}, {"pinus", 1},
                {"Larix decidua", 2},       {"LARIX", 2},       {"Abies alba", 3},       {"Abies", 3},
                {"Quercus robur", 4},       {"Quercus petraea", 4}, {"quercus", 4},      {"Fagus sylvatica", 5},
                {"Fagus", 5},               {"Fraxinus excelsior", 6}, {"Fraxinus", 6},  {"Betula pendula", 7},
                {"Betula", 7},              {"Alnus glutinosa", 8}, {"Alnus", 8},        {"Populus", 9},
                {"Carpinus betulus", 10},   {"Carpinus", 10},   {"Robinia pseudoacacia", 11}, {"Robinia", 11},
                {"PSEUDOTSUGA MENZIESII", 12}, {" Pseudotsuga ", 12}});
}

TEST(ParseSpecies, EnglishNames) {
  ExpectParsed({{"Norway spruce", 0}, {"scots pine", 1}, {"European larch", 2}, {"Silver Fir", 3},
                {"oak", 4},           {"OAK", 4},        {"European beech", 5}, {"ash", 6},
                {"birch", 7},         {"alder", 8},      {"poplar", 9},         {"hornbeam", 10},
                {"black locust", 11}, {" Douglas fir ", 12}});
}

TEST(ParseSpecies, RefusesSpeciesWithoutAModelAndPartialNames) {
  const InCLocale plain;
  for (const char* text : {"KR", "kr", "XXX", "13", "255", "-1", "S", "SMR", "smr", "Pice", "Picea abie", "", "  ",
                           "modrín", "modřin", "brıza", "oaks", "Douglas", "Quercus robur petraea"}) {
    EXPECT_EQ(ParseSpecies(text), std::nullopt) << '"' << text << '"';
  }
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Terminal columns: a Czech letter of two bytes takes one.
std::size_t Letters(std::string_view text) {
  std::size_t letters = 0;
  for (const unsigned char c : text) letters += (c & 0xC0) != 0x80;
  return letters;
}

TEST(SpeciesListing, FitsEightyColumnsCountingLetters) {
  for (const std::string& line : LinesOf(SpeciesListing())) EXPECT_LE(Letters(line), 80u) << line;
}

TEST(SpeciesListing, NotesTheHeightDiameterTablesGrid) {
  const auto span = [](int lowest, int highest) { return std::to_string(lowest) + "-" + std::to_string(highest); };
  const std::string grid = "heights " + span(kLowestTableHeight, kHighestTableHeight) + " m and diameters " +
                           span(kLowestTableDiameter, kHighestTableDiameter) + " cm";
  EXPECT_NE(SpeciesListing().find(grid), std::string::npos) << SpeciesListing();
}

TEST(SpeciesListing, OneLinePerModelledSpeciesWithItsNamesAndRanges) {
  const std::vector<std::string> lines = LinesOf(SpeciesListing());
  std::vector<std::string> speciesLines;
  for (const std::string& line : lines) {
    if (!line.empty() && line[0] >= '0' && line[0] <= '9') speciesLines.push_back(line);
  }
  ASSERT_EQ(speciesLines.size(), vzorce::kModelledSpeciesCount) << SpeciesListing();
  for (vzorce::SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    std::istringstream words(speciesLines[species]);
    std::string index, code, czech;
    words >> index >> code >> czech;
    EXPECT_EQ(index, std::to_string(species));
    EXPECT_EQ(ParseSpecies(code), species) << speciesLines[species];
    EXPECT_EQ(ParseSpecies(czech), species) << speciesLines[species];
    const auto range = vzorce::SiteIndexRangeOf(species);
    const std::string ranges = std::to_string(range.lowest) + "-" + std::to_string(range.highest) + " m";
    EXPECT_NE(speciesLines[species].find(ranges), std::string::npos) << speciesLines[species];
    const std::string ages = "15-" + std::to_string(vzorce::MaximumAge(species));
    EXPECT_EQ(speciesLines[species].substr(speciesLines[species].size() - ages.size()), ages);
  }
  // The oak model stands for both oaks.
  EXPECT_NE(speciesLines[4].find("Quercus robur/petraea"), std::string::npos) << speciesLines[4];
  EXPECT_NE(speciesLines[12].find("Pseudotsuga menziesii"), std::string::npos) << speciesLines[12];
  EXPECT_NE(speciesLines[12].find("Douglas fir"), std::string::npos) << speciesLines[12];
}

TEST(SpeciesListing, ColumnsLineUpPastTheCzechNames) {
  const std::vector<std::string> lines = LinesOf(SpeciesListing());
  const std::size_t latinColumn = lines[0].find("latin");
  ASSERT_NE(latinColumn, std::string::npos) << lines[0];
  for (const auto& [line, latin] : {std::pair<std::size_t, std::string_view>{1, "Picea"}, {3, "Larix"},
                                    {8, "Betula"}, {10, "Populus"}, {12, "Robinia"}, {13, "Pseudotsuga"}}) {
    const std::size_t at = lines[line].find(latin);
    ASSERT_NE(at, std::string::npos) << lines[line];
    EXPECT_EQ(Letters(lines[line].substr(0, at)), latinColumn) << lines[line];
  }
}

}  // namespace
}  // namespace dravlik
