#include "calculator_options.h"

#include <algorithm>
#include <charconv>
#include <array>
#include <stdexcept>
#include <string_view>

#include "blanks.h"
#include "number_text.h"
#include "text_encoding.h"

namespace dravlik {
namespace {

enum class Option {
  kRound, kAll, kStrict, kInput, kOutput, kColumns, kDelimiter, kDecimalComma, kEncoding, kSpecies,
  kSpeciesMap, kGroupBy, kFillHeights, kCurve, kCurves, kMinHeights, kPlotArea, kPlotAreaColumn, kLayer, kFormat,
  kDissolve, kHelp, kVersion,
};

struct OptionName {
  Option option;
  std::string_view name;
  char letter;  // 0: none
  bool takesValue;
};

constexpr std::array<OptionName, 23> kOptions = {{
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
    {Option::kGroupBy, "group-by", 0, true},
    {Option::kFillHeights, "fill-heights", 0, false},
    {Option::kCurve, "curve", 0, true},
    {Option::kCurves, "curves", 0, true},
    {Option::kMinHeights, "min-heights", 0, true},
    {Option::kPlotArea, "plot-area", 0, true},
    {Option::kPlotAreaColumn, "plot-area-column", 0, true},
    {Option::kLayer, "layer", 0, true},
    {Option::kFormat, "format", 0, true},
    {Option::kDissolve, "dissolve", 0, false},
    {Option::kHelp, "help", 'h', false},
    {Option::kVersion, "version", 'V', false},
}};

// Options whose meaning depends on the command, which may come after them.
struct Deferred {
  std::vector<std::string> columns, speciesMaps, groupBy;
  std::optional<std::string> species, curve, minHeights, plotArea;
  bool fillHeights = false;
};

constexpr const char* kCommands = "height, diameter, site-index, volume, stand-volume, stand or species";

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
    case Option::kGroupBy: deferred.groupBy.push_back(value); break;
    case Option::kFillHeights: deferred.fillHeights = true; break;
    case Option::kCurve: deferred.curve = value; break;
    case Option::kCurves: line.curves = value; break;
    case Option::kMinHeights: deferred.minHeights = value; break;
    case Option::kPlotArea: deferred.plotArea = value; break;
    case Option::kPlotAreaColumn: line.stand.plotAreaColumn = value; break;
    case Option::kLayer: line.layers.layer = value; break;
    case Option::kFormat: line.layers.format = value; break;
    case Option::kDissolve: line.layers.dissolve = true; break;
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
  return ListedNames(InputNames(quantity).subspan(speciesGiven ? 1 : 0));
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

std::optional<double> AreaNamed(const std::string& text) {
  auto area = ParseNumber(text, false);
  if (!area) area = ParseNumber(text, true);
  if (!area || !(*area > 0)) throw UsageError{"--plot-area takes the plot's area in m2, above 0, not '" + text + "'"};
  return area;
}

std::uint64_t MinimumHeightsNamed(const std::string& text) {
  std::uint64_t count = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (error != std::errc() || end != text.data() + text.size() || count < kFewestCurveTrees) {
    throw UsageError{"--min-heights takes a whole number of trees, at least " + std::to_string(kFewestCurveTrees) +
                     ", not '" + text + "'"};
  }
  return count;
}

std::vector<std::string> GroupColumns(const std::vector<std::string>& options) {
  std::vector<std::string> names;
  for (const std::string& option : options) {
    for (std::size_t start = 0; start <= option.size();) {
      const std::size_t end = std::min(option.find(',', start), option.size());
      const std::string name(WithoutBlanks(std::string_view(option).substr(start, end - start)));
      if (name.empty()) throw UsageError{"--group-by names an empty column in '" + option + "'"};
      names.push_back(name);
      start = end + 1;
    }
  }
  return names;
}

// The options of filled heights and of the stand summary, each where its
// command takes it.
void ApplyStandAndFill(const Deferred& deferred, CommandLine& line) {
  const bool volume = line.file.calculation.quantity == Quantity::kVolume && !line.IsStand();
  if (deferred.fillHeights && !volume && !line.IsStand()) {
    throw UsageError{"--fill-heights applies to volume and stand only"};
  }
  if (!deferred.fillHeights && (deferred.curve || deferred.minHeights || line.curves)) {
    throw UsageError{"--curve, --curves and --min-heights go with --fill-heights"};
  }
  if (!deferred.groupBy.empty() && !deferred.fillHeights && !line.IsStand()) {
    throw UsageError{"--group-by applies to stand and to volume --fill-heights"};
  }
  if ((deferred.plotArea || line.stand.plotAreaColumn) && !line.IsStand()) {
    throw UsageError{"--plot-area and --plot-area-column apply to stand only"};
  }
  const std::vector<std::string> groupBy = GroupColumns(deferred.groupBy);
  if (deferred.fillHeights) {
    FillRequest fill{{}, groupBy};
    if (deferred.curve) {
      const auto kind = CurveNamed(*deferred.curve);
      if (!kind) throw UsageError{"--curve takes naslund or michailoff, not '" + *deferred.curve + "'"};
      fill.curve.kind = *kind;
    }
    if (deferred.minHeights) fill.curve.minimumHeights = MinimumHeightsNamed(*deferred.minHeights);
    line.fill = fill;
  }
  if (!line.IsStand()) return;
  if (deferred.plotArea) line.stand.plotArea = AreaNamed(*deferred.plotArea);
  if (line.stand.plotArea.has_value() == line.stand.plotAreaColumn.has_value()) {
    throw UsageError{"stand takes the plots' area: --plot-area M2, or --plot-area-column NAME"};
  }
  line.stand.groupBy = groupBy;
  if (line.fill) line.stand.fillHeights = line.fill->curve;
}

void CheckLayerOptions(const CommandLine& line) {
  if (line.layers.dissolve && !line.IsStand()) throw UsageError{"--dissolve applies to stand"};
  if ((line.layers.layer || line.layers.format || line.layers.dissolve) && !line.IsFile()) {
    throw UsageError{"--layer, --format and --dissolve apply to a layer's file (--input)"};
  }
}

void CheckStand(const CommandLine& line) {
  if (line.file.calculation.rounded || line.file.calculation.allVolumes) {
    throw UsageError{"--round and --all do not apply to stand"};
  }
  if (!line.arguments.empty()) {
    throw UsageError{"stand takes its trees from a file (--input); extra: " + Quoted(line.arguments)};
  }
}

// A single value takes its inputs from the command line, a file none.
void CheckArguments(const CommandLine& line) {
  const Quantity quantity = line.file.calculation.quantity;
  const bool speciesGiven = line.file.species.fixed.has_value();
  const std::size_t wanted = InputNames(quantity).size() - (speciesGiven ? 1 : 0);
  const std::string takes = line.command + " takes " + InputsOf(quantity, speciesGiven);
  if (line.arguments.empty()) return;
  if (line.fill) throw UsageError{"--fill-heights fills the heights of a file's trees (--input); extra: " +
                                  Quoted(line.arguments)};
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
  if (words.empty()) throw UsageError{std::string("missing command: ") + kCommands};
  line.command = words.front();
  line.arguments.assign(words.begin() + 1, words.end());
  if (line.command == "species") {
    if (!line.arguments.empty()) throw UsageError{"species takes no arguments; extra: " + Quoted(line.arguments)};
    return line;
  }
  if (line.IsStand()) {
    line.file.calculation.quantity = Quantity::kVolume;  // a stand's trees have a volume's inputs
  } else if (!QuantityNamed(line.command, line.file.calculation.quantity)) {
    throw UsageError{"unknown command '" + line.command + "': " + kCommands};
  }
  if (line.file.calculation.allVolumes && line.file.calculation.quantity != Quantity::kVolume) {
    throw UsageError{"--all applies to volume only"};
  }
  ApplyDeferred(deferred, line);
  ApplyStandAndFill(deferred, line);
  if (line.IsStand()) CheckStand(line);
  else CheckArguments(line);
  CheckLayerOptions(line);
  return line;
}

std::string UsageText() {
  return R"(Usage: pdravlik-calc [OPTION]... height SPECIES AGE SITE_INDEX
  or:  pdravlik-calc [OPTION]... diameter SPECIES AGE HEIGHT
  or:  pdravlik-calc [OPTION]... site-index SPECIES AGE HEIGHT
  or:  pdravlik-calc [OPTION]... volume SPECIES DIAMETER HEIGHT
  or:  pdravlik-calc [OPTION]... stand-volume SPECIES DIAMETER HEIGHT TREES/HA
  or:  pdravlik-calc [OPTION]... COMMAND -i FILE [-o FILE]  (one of the five)
  or:  pdravlik-calc [OPTION]... stand -i FILE --plot-area M2 [-o FILE]
  or:  pdravlik-calc species
Computes a stand's mean height (m), mean diameter (cm) or site index (its
height at 100 years, from its height at an age), a tree's volume (m3: the
primary volume V1, which the tables store) or a stand's volume per hectare
from its mean tree, with the models the reference tables are generated from;
or a tree list's growing stock per hectare by plot and species (stand).

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
  -i, --input=FILE       compute every row of a CSV file with a header line,
                         or every feature of a GIS layer ('-': standard
                         input, also the default)
  -o, --output=FILE      write the rows with their results there, whole or
                         not at all ('-': standard output, also the default)
      --columns=MAP      the input columns, by name or number, where their
                         names differ: diameter=d1,height=#4; may be repeated
  -d, --delimiter=CHAR   field delimiter of the files (default ','; 'tab')
      --decimal-comma    read and write numbers with a decimal comma
      --encoding=NAME    the files' encoding (default UTF-8; e.g. windows-1250)

Stands and height curves (volume and stand files):
      --plot-area=M2     stand: every plot's area in m2
      --plot-area-column=NAME  stand: the column of each tree's plot area, m2
      --group-by=COLUMNS plots or stands by these columns, e.g. plot or
                         stand,plot; stand: one line per group and species
      --fill-heights     fill missing heights from a height curve per group
                         and species, fitted to the trees with a height
      --curve=NAME       naslund (the default) or michailoff
      --min-heights=N    the fewest measured heights a curve takes (default 5)
      --curves=FILE      write each curve's coefficients and error there

GIS layers (GeoPackage, Shapefile, FlatGeobuf, GeoJSON, any GDAL reads):
      --layer=NAME       the input's layer, where it holds several
      --format=NAME      the output's GDAL format (GPKG, "ESRI Shapefile",
                         FlatGeobuf, GeoJSON, ...); default: the output's
                         extension says, else the input's
      --dissolve         stand: each group's line with its trees' geometries
                         united
  -h, --help             show this help and exit
  -V, --version          show the version and exit

A file's input columns are species, diameter and height for volume and stand;
species, age and site_index for height; species, age and height for diameter
and site-index; species, diameter, height and trees_per_ha for stand-volume;
or as the tables name them: drevina, tloustka, vyska, vek, bonita. Each row is
written with its results, a warning and an error column; a row that cannot be
computed gets empty results and the reason. A summary goes to standard error.
See pdravlik-calc(1) for the stand summary's columns and formulas.

Exit status: 0 when every value was computed, 1 when some was not, 2 for a
wrong command line or an input that cannot be read.
)";
}

}  // namespace dravlik
