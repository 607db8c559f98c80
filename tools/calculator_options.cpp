#include "calculator_options.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>

#include "text_encoding.h"

namespace dravlik {
namespace {

enum class Option {
  kRound, kAll, kStrict, kInput, kOutput, kColumns, kDelimiter, kDecimalComma, kEncoding, kSpecies,
  kSpeciesMap, kHelp, kVersion,
};

struct OptionName {
  Option option;
  std::string_view name;
  char letter;  // 0: none
  bool takesValue;
};

constexpr std::array<OptionName, 13> kOptions = {{
    {Option::kRound, "round", 0, false},
    {Option::kAll, "all", 0, false},
    {Option::kStrict, "strict", 0, false},
    {Option::kInput, "input", 'i', true},
    {Option::kOutput, "output", 'o', true},
    {Option::kColumns, "columns", 0, true},
    {Option::kDelimiter, "delimiter", 'd', true},
    {Option::kDecimalComma, "decimal-comma", 0, false},
    {Option::kEncoding, "encoding", 0, true},
    {Option::kSpecies, "species", 0, true},
    {Option::kSpeciesMap, "species-map", 0, true},
    {Option::kHelp, "help", 'h', false},
    {Option::kVersion, "version", 'V', false},
}};

// Options whose meaning depends on the command, which may come after them.
struct Deferred {
  std::vector<std::string> columns, speciesMaps;
  std::optional<std::string> species;
};

bool LooksLikeNumber(std::string_view argument) {
  return argument.size() > 1 && argument[0] == '-' &&
         ((argument[1] >= '0' && argument[1] <= '9') || argument[1] == '.' || argument[1] == ',');
}

// An exact long name, or the one name it is the start of.
const OptionName& LongOption(std::string_view name, std::string_view argument) {
  const OptionName* found = nullptr;
  for (const OptionName& option : kOptions) {
    if (option.name == name) return option;
    if (!option.name.starts_with(name)) continue;
    if (found) throw UsageError{"option '" + std::string(argument) + "' is ambiguous"};
    found = &option;
  }
  if (!found) throw UsageError{"unrecognised option '" + std::string(argument) + "'"};
  return *found;
}

const OptionName& ShortOption(char letter, std::string_view argument) {
  for (const OptionName& option : kOptions) {
    if (option.letter == letter) return option;
  }
  throw UsageError{"unrecognised option '" + std::string(argument) + "'"};
}

char DelimiterNamed(const std::string& text) {
  if (text == "tab" || text == "\\t") return '\t';
  if (text.size() != 1 || text == "\"" || text == "\n" || text == "\r") {
    throw UsageError{"the delimiter must be one character other than a quote or a line break, not '" + text + "'"};
  }
  return text[0];
}

void Apply(const OptionName& option, const std::string& value, CommandLine& line, Deferred& deferred) {
  switch (option.option) {
    case Option::kRound: line.file.calculation.rounded = true; break;
    case Option::kAll: line.file.calculation.allVolumes = true; break;
    case Option::kStrict: line.file.strict = true; break;
    case Option::kInput: line.input = value; break;
    case Option::kOutput: line.output = value; break;
    case Option::kColumns: deferred.columns.push_back(value); break;
    case Option::kDelimiter: line.file.format.delimiter = DelimiterNamed(value); break;
    case Option::kDecimalComma: line.file.format.decimalComma = true; break;
    case Option::kEncoding: line.file.encoding = value; break;
    case Option::kSpecies: deferred.species = value; break;
    case Option::kSpeciesMap: deferred.speciesMaps.push_back(value); break;
    case Option::kHelp: line.help = true; break;
    case Option::kVersion: line.version = true; break;
  }
}

// Options and positional arguments, in any order; "--" ends the options.
void ReadArguments(int argc, char** argv, CommandLine& line, Deferred& deferred, std::vector<std::string>& words) {
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!options || argument.size() < 2 || argument[0] != '-' || LooksLikeNumber(argument)) {
      words.emplace_back(argument);
      continue;
    }
    if (argument == "--") {
      options = false;
      continue;
    }
    const bool isLong = argument[1] == '-';
    const std::size_t equals = isLong ? argument.find('=') : std::string_view::npos;
    const OptionName& option =
        isLong ? LongOption(argument.substr(2, equals - 2), argument) : ShortOption(argument[1], argument);
    std::optional<std::string> value;
    if (equals != std::string_view::npos) value = std::string(argument.substr(equals + 1));
    if (!isLong && argument.size() > 2) value = std::string(argument.substr(2));
    if (option.takesValue && !value) {
      if (i + 1 == argc) throw UsageError{"option '" + std::string(argument) + "' needs a value"};
      value = argv[++i];
    }
    if (!option.takesValue && value) {
      throw UsageError{"option '--" + std::string(option.name) + "' takes no value"};
    }
    Apply(option, value.value_or(""), line, deferred);
  }
}

std::string Quoted(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "'" : " '") + word + "'";
  return text;
}

std::string InputsOf(Quantity quantity, bool speciesGiven) {
  const auto inputs = InputNames(quantity);
  if (speciesGiven) return std::string(inputs[1]) + " and " + std::string(inputs[2]);
  return std::string(inputs[0]) + ", " + std::string(inputs[1]) + " and " + std::string(inputs[2]);
}

void ApplyDeferred(const Deferred& deferred, CommandLine& line) {
  try {
    for (const std::string& columns : deferred.columns) {
      AddColumnChoices(line.file.columns, columns, line.file.calculation.quantity);
    }
    if (deferred.species) {
      if (line.file.columns.contains("species")) {
        throw UsageError{"--species gives the whole input one species; it takes no species column"};
      }
      line.file.species.fixed = ModelledSpecies(*deferred.species);
    }
    for (const std::string& map : deferred.speciesMaps) AddSpeciesMap(line.file.species, map);
    if (!line.file.encoding.empty()) TextConverter check(line.file.encoding, "UTF-8");
  } catch (const std::invalid_argument& e) {
    throw UsageError{e.what()};
  } catch (const EncodingError& e) {
    throw UsageError{e.what()};
  }
}

// A single value takes its inputs from the command line, a file none.
void CheckArguments(const CommandLine& line) {
  const Quantity quantity = line.file.calculation.quantity;
  const bool speciesGiven = line.file.species.fixed.has_value();
  const std::size_t wanted = speciesGiven ? 2 : 3;
  const std::string takes = line.command + " takes " + InputsOf(quantity, speciesGiven);
  if (line.arguments.empty()) return;
  if (line.input || line.output || !line.file.columns.empty()) {
    throw UsageError{line.command + " takes its values from a file with --input, --output or --columns; extra: " +
                     Quoted(line.arguments)};
  }
  if (line.arguments.size() > wanted) {
    const std::vector<std::string> extra(line.arguments.begin() + static_cast<std::ptrdiff_t>(wanted),
                                         line.arguments.end());
    throw UsageError{takes + "; extra: " + Quoted(extra)};
  }
  if (line.arguments.size() < wanted) throw UsageError{takes + ", or a file of them (--input); " +
                                                       std::to_string(line.arguments.size()) + " given"};
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine line;
  Deferred deferred;
  std::vector<std::string> words;
  ReadArguments(argc, argv, line, deferred, words);
  if (line.help || line.version) return line;
  if (words.empty()) throw UsageError{"missing command: height, diameter, site-index, volume or species"};
  line.command = words.front();
  line.arguments.assign(words.begin() + 1, words.end());
  if (line.command == "species") {
    if (!line.arguments.empty()) throw UsageError{"species takes no arguments; extra: " + Quoted(line.arguments)};
    return line;
  }
  if (!QuantityNamed(line.command, line.file.calculation.quantity)) {
    throw UsageError{"unknown command '" + line.command + "': height, diameter, site-index, volume or species"};
  }
  if (line.file.calculation.allVolumes && line.file.calculation.quantity != Quantity::kVolume) {
    throw UsageError{"--all applies to volume only"};
  }
  ApplyDeferred(deferred, line);
  CheckArguments(line);
  return line;
}

std::string UsageText() {
  return R"(Usage: pdravlik-calc [OPTION]... height SPECIES AGE SITE_INDEX
  or:  pdravlik-calc [OPTION]... diameter SPECIES AGE HEIGHT
  or:  pdravlik-calc [OPTION]... site-index SPECIES AGE HEIGHT
  or:  pdravlik-calc [OPTION]... volume SPECIES DIAMETER HEIGHT
  or:  pdravlik-calc [OPTION]... COMMAND -i FILE [-o FILE]  (one of the four)
  or:  pdravlik-calc species
Computes a stand's mean height (m), mean diameter (cm) or site index (its
height at 100 years, from its height at an age), or a tree's volume (m3: the
primary volume V1, which the tables store), with the models the reference
tables are generated from.

SPECIES is a code as the tables store it (SM, BO, ...), an index 0 to 12, or a
Czech, Latin or English name; 'pdravlik-calc species' lists them with the
ranges each model covers. A value outside them gets the model's result and a
warning. Numbers print as the shortest text that reads back as the same value.

      --round            round as the tables do: tenths for heights and
                         diameters, hundredths for volumes; whole site
                         indices
      --all              volume: the four outputs V1 to V4
      --strict           a warning makes the value an error
      --species=SPECIES  one species for the whole input, which then needs no
                         species column
      --species-map=MAP  compute species the models lack as modelled ones,
                         e.g. KL=BK,LP=BK; may be repeated
  -i, --input=FILE       compute every row of a CSV file with a header line
                         ('-': standard input, also the default)
  -o, --output=FILE      write the rows with their results there, whole or
                         not at all ('-': standard output, also the default)
      --columns=MAP      the input columns, by name or number, where their
                         names differ: diameter=d1,height=#4; may be repeated
  -d, --delimiter=CHAR   field delimiter of the files (default ','; 'tab')
      --decimal-comma    read and write numbers with a decimal comma
      --encoding=NAME    the files' encoding (default UTF-8; e.g. windows-1250)
  -h, --help             show this help and exit
  -V, --version          show the version and exit

A file's input columns are species, diameter and height for volume; species,
age and site_index for height; species, age and height for diameter and
site-index; or as
the tables name them: drevina, tloustka, vyska, vek, bonita. Each row is
written with its results, a warning and an error column; a row that cannot be
computed gets empty results and the reason. A summary goes to standard error.

Exit status: 0 when every value was computed, 1 when some was not, 2 for a
wrong command line or an input that cannot be read.
)";
}

}  // namespace dravlik
