// pdravlik-calc: the growth and volume models on the user's own numbers, one
// tree or stand from the command line or a whole CSV file of them.
#include <fcntl.h>
#include <getopt.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "number_text.h"
#include "numeric.h"
#include "replacing_file.h"
#include "species_catalogue.h"
#include "tree_file_calculation.h"

namespace {

using namespace dravlik;

constexpr const char* kProgram = "pdravlik-calc";

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: %s [OPTION]... height SPECIES AGE SITE_INDEX\n"
               "  or:  %s [OPTION]... diameter SPECIES AGE HEIGHT\n"
               "  or:  %s [OPTION]... volume SPECIES DIAMETER HEIGHT\n"
               "  or:  %s [OPTION]... height|diameter|volume [--input FILE] [--output FILE]\n"
               "  or:  %s species\n"
               "Computes the stand height (m), the stand diameter (cm) or the tree volume (m3)\n"
               "with the models the reference tables are generated from.\n"
               "\n"
               "SPECIES is a species code as the tables store it (SM, BO, ...) or its index\n"
               "0 to 12; '%s species' lists them. Numbers are printed as the shortest text\n"
               "that reads back as the same value.\n"
               "\n"
               "      --round            round as the tables do: tenths for heights and\n"
               "                         diameters, hundredths for volumes\n"
               "      --all              volume: the four outputs V1 to V4 (tab-separated, or\n"
               "                         columns v1 to v4)\n"
               "  -i, --input=FILE       compute every row of a CSV file with a header line\n"
               "                         ('-': standard input, also the default)\n"
               "  -o, --output=FILE      write the rows with their results there, whole or not\n"
               "                         at all ('-': standard output, also the default)\n"
               "      --columns=MAP      the input columns' names where they differ, e.g.\n"
               "                         species=drevina,diameter=d,height=h\n"
               "  -d, --delimiter=CHAR   field delimiter of the CSV files (default ','; 'tab')\n"
               "      --decimal-comma    read and write numbers with a decimal comma\n"
               "  -h, --help             show this help and exit\n"
               "  -V, --version          show the version and exit\n"
               "\n"
               "A file's input columns are species, diameter and height for volume; species,\n"
               "age and site_index for height; species, age and height for diameter. Each row\n"
               "is written unchanged with the results and an error column appended; a row\n"
               "that cannot be computed gets empty results and the reason. A summary goes to\n"
               "standard error.\n"
               "\n"
               "Exit status: 0 when every value was computed, 1 when some was not, 2 for a\n"
               "wrong command line or an unreadable input.\n",
               kProgram, kProgram, kProgram, kProgram, kProgram, kProgram);
}

struct UsageError {
  std::string message;
};

struct Options {
  TreeFileOptions file;
  std::optional<std::string> input;
  std::optional<std::string> output;
};

char ParseDelimiter(const std::string& text) {
  if (text == "tab" || text == "\\t") return '\t';
  if (text.size() != 1 || text == "\"" || text == "\n" || text == "\r") {
    throw UsageError{"the delimiter must be one character other than a quote or a line break, not '" + text + "'"};
  }
  return text[0];
}

std::map<std::string, std::string> ParseColumns(const std::string& text, Quantity quantity) {
  const auto inputs = InputNames(quantity);
  std::map<std::string, std::string> columns;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find(',', start), text.size());
    const std::string pair = text.substr(start, end - start);
    const std::size_t equals = pair.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == pair.size()) {
      throw UsageError{"--columns takes INPUT=COLUMN pairs separated by commas, not '" + pair + "'"};
    }
    const std::string input = pair.substr(0, equals);
    if (std::find(inputs.begin(), inputs.end(), input) == inputs.end()) {
      throw UsageError{"'" + input + "' is not an input of this command; it takes " + std::string(inputs[0]) + ", " +
                       std::string(inputs[1]) + " and " + std::string(inputs[2])};
    }
    columns[input] = pair.substr(equals + 1);
    start = end + 1;
  }
  return columns;
}

void PrintSpecies() {
  std::printf("%-5s  %-4s  %-10s  %-15s  %-10s  %s\n", "index", "code", "czech", "english", "site index",
              "maximum age");
  for (vzorce::SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    std::string code;
    vzorce::SpeciesCode(species, code);
    const SpeciesNames names = NamesOf(species);
    const auto range = vzorce::SiteIndexRangeOf(species);
    // printf pads by bytes; the Czech names have letters of two.
    const std::string czech(names.czech);
    const int czechBytes = static_cast<int>(czech.size());
    int letters = 0;
    for (unsigned char c : czech) letters += (c & 0xC0) != 0x80;
    std::printf("%-5d  %-4.2s  %-*s  %-15.*s  %2d-%-7d  %d\n", species, code.c_str(), 10 + czechBytes - letters,
                czech.c_str(), static_cast<int>(names.english.size()), names.english.data(), range.lowest,
                range.highest, vzorce::MaximumAge(species));
  }
}

vzorce::SpeciesIndex SpeciesArgument(const char* text) {
  const auto species = ParseSpecies(text);
  if (!species) throw UsageError{std::string("unknown species '") + text + "' (see '" + kProgram + " species')"};
  return *species;
}

double NumberArgument(const char* text, bool decimalComma) {
  const auto number = ParseNumber(text, decimalComma);
  if (!number) throw UsageError{std::string("'") + text + "' is not a number"};
  return *number;
}

int CalculateOne(const Options& options, char** arguments) {
  const bool comma = options.file.format.decimalComma;
  const vzorce::SpeciesIndex species = SpeciesArgument(arguments[0]);
  const double first = NumberArgument(arguments[1], comma), second = NumberArgument(arguments[2], comma);
  double results[4];
  try {
    Calculate(options.file.calculation, species, first, second, results);
  } catch (const vzorce::FloatingPointError& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
    return 1;
  }
  std::string line;
  for (std::size_t i = 0; i < ResultNames(options.file.calculation).size(); ++i) {
    if (i) line += '\t';
    AppendNumber(line, results[i], comma);
  }
  std::printf("%s\n", line.c_str());
  return 0;
}

bool IsStandard(const std::optional<std::string>& file) { return !file || *file == "-"; }

int OpenInput(const Options& options) {
  if (IsStandard(options.input)) return STDIN_FILENO;
  const int fd = ::open(options.input->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw TreeFileError("cannot open " + *options.input + ": " + std::strerror(errno));
  return fd;
}

InputReader ReaderOf(int fd, const Options& options) {
  return [fd, name = IsStandard(options.input) ? std::string("standard input") : *options.input](
             char* buffer, std::size_t size) {
    while (true) {
      const ssize_t got = ::read(fd, buffer, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) throw TreeFileError("cannot read " + name + ": " + std::strerror(errno));
    }
  };
}

void WriteStandardOutput(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw std::runtime_error(std::string("cannot write standard output: ") + std::strerror(errno));
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

int CalculateFile(const Options& options) {
  const int fd = OpenInput(options);
  TreeFileSummary summary;
  try {
    if (IsStandard(options.output)) {
      summary = CalculateTreeFile(options.file, ReaderOf(fd, options), WriteStandardOutput);
    } else {
      std::optional<ReplacingFile> file;
      // Created only once the header is understood, so a wrong input leaves nothing behind.
      summary = CalculateTreeFile(options.file, ReaderOf(fd, options), [&](std::string_view bytes) {
        if (!file) file.emplace(*options.output);
        file->Write(bytes);
      });
      if (!file) file.emplace(*options.output);
      file->Commit();
    }
  } catch (...) {
    if (fd != STDIN_FILENO) ::close(fd);
    throw;
  }
  if (fd != STDIN_FILENO) ::close(fd);
  std::fprintf(stderr, "%s: %llu rows read, %llu computed, %llu with an error\n", kProgram,
               static_cast<unsigned long long>(summary.rowsRead), static_cast<unsigned long long>(summary.rowsComputed),
               static_cast<unsigned long long>(summary.RowsWithError()));
  return summary.RowsWithError() == 0 ? 0 : 1;
}

int Run(int argc, char** argv) {
  enum { kRound = 1000, kAll, kColumns, kDecimalComma };
  const option longOptions[] = {{"round", no_argument, nullptr, kRound},
                                {"all", no_argument, nullptr, kAll},
                                {"input", required_argument, nullptr, 'i'},
                                {"output", required_argument, nullptr, 'o'},
                                {"columns", required_argument, nullptr, kColumns},
                                {"delimiter", required_argument, nullptr, 'd'},
                                {"decimal-comma", no_argument, nullptr, kDecimalComma},
                                {"help", no_argument, nullptr, 'h'},
                                {"version", no_argument, nullptr, 'V'},
                                {nullptr, 0, nullptr, 0}};
  Options options;
  std::optional<std::string> columns;
  opterr = 0;
  for (int option; (option = getopt_long(argc, argv, ":i:o:d:hV", longOptions, nullptr)) != -1;) {
    switch (option) {
      case kRound: options.file.calculation.rounded = true; break;
      case kAll: options.file.calculation.allVolumes = true; break;
      case 'i': options.input = optarg; break;
      case 'o': options.output = optarg; break;
      case kColumns: columns = optarg; break;
      case 'd': options.file.format.delimiter = ParseDelimiter(optarg); break;
      case kDecimalComma: options.file.format.decimalComma = true; break;
      case 'h': PrintUsage(stdout); return 0;
      case 'V': std::printf("%s %s\n", kProgram, PDRAVLIK_VERSION); return 0;
      case ':': throw UsageError{std::string("option '") + argv[optind - 1] + "' needs a value"};
      default: throw UsageError{std::string("unrecognised option '") + argv[optind - 1] + "'"};
    }
  }
  if (optind == argc) throw UsageError{"missing command: height, diameter, volume or species"};
  const std::string command = argv[optind];
  char** arguments = argv + optind + 1;
  const int argumentCount = argc - optind - 1;
  if (command == "species" && argumentCount == 0) {
    PrintSpecies();
    return 0;
  }
  Quantity& quantity = options.file.calculation.quantity;
  if (!QuantityNamed(command, quantity)) throw UsageError{"unknown command '" + command + "'"};
  if (options.file.calculation.allVolumes && quantity != Quantity::kVolume) {
    throw UsageError{"--all applies to volume only"};
  }
  if (columns) options.file.columns = ParseColumns(*columns, quantity);
  const bool file = options.input || options.output || columns;
  if (argumentCount == 3 && !file) return CalculateOne(options, arguments);
  if (argumentCount == 0) return CalculateFile(options);
  throw UsageError{command + " takes " + std::string(InputNames(quantity)[0]) + ", " +
                   std::string(InputNames(quantity)[1]) + " and " + std::string(InputNames(quantity)[2]) +
                   ", or a file of them"};
}

}  // namespace

int main(int argc, char** argv) {
  // A file size limit must fail the write that meets it, with a message.
  std::signal(SIGXFSZ, SIG_IGN);
  // Column names beyond ASCII match ignoring letter case as the user's locale has it.
  std::setlocale(LC_CTYPE, "");
  try {
    return Run(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, e.message.c_str(), kProgram);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
  }
  return 2;
}
