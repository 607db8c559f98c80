// pdravlik-calc: the growth and volume models on the user's own numbers, one
// tree or stand from the command line or a whole CSV file of them.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "calculator_options.h"
#include "layer_calculation.h"
#include "layer_files.h"
#include "domain_warnings.h"
#include "number_text.h"
#include "numeric.h"
#include "output_file.h"
#include "species_catalogue.h"
#include "replayable_input.h"
#include "standard_output.h"
#include "stand_summary.h"
#include "tree_file_calculation.h"

namespace {

using namespace dravlik;

constexpr const char* kProgram = "pdravlik-calc";

double NumberArgument(const std::string& text, std::string_view input, bool decimalComma) {
  if (const auto number = ParseNumber(text, decimalComma)) return *number;
  std::string message = "the " + std::string(input) + " '" + text + "' is not a number";
  if (!decimalComma && ParseNumber(text, true)) message += "; with a decimal comma, add --decimal-comma";
  throw UsageError{message};
}

vzorce::SpeciesIndex SpeciesArgument(const std::string& text, const SpeciesReading& reading) {
  const ReadSpecies read = ReadRowSpecies(reading, text);
  if (!read.species) throw UsageError{"unknown species '" + text + "' (see '" + kProgram + " species')"};
  if (read.mapping) std::fprintf(stderr, "%s: %s\n", kProgram, MappingNote(text, *read.mapping).c_str());
  return *read.species;
}

int CalculateOne(const CommandLine& line) {
  const TreeFileOptions& options = line.file;
  const bool comma = options.format.decimalComma;
  const auto inputs = InputNames(options.calculation.quantity);
  std::size_t next = 0;
  const vzorce::SpeciesIndex species =
      options.species.fixed ? *options.species.fixed : SpeciesArgument(line.arguments[next++], options.species);
  Numbers numbers = {};
  for (std::size_t i = 1; i < inputs.size(); ++i) numbers[i - 1] = NumberArgument(line.arguments[next++], inputs[i], comma);
  double results[4];
  try {
    Calculate(options.calculation, species, numbers, results);
  } catch (const vzorce::FloatingPointError& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, ExplainedError(options.calculation, species, numbers, e).c_str());
    return 1;
  }
  const std::string warning = DomainWarnings(options.calculation, species, numbers, results);
  if (!warning.empty()) {
    std::fprintf(stderr, "%s: %s%s\n", kProgram, options.strict ? "" : "warning: ", warning.c_str());
    if (options.strict) return 1;
  }
  std::string text;
  for (std::size_t i = 0; i < ResultNames(options.calculation).size(); ++i) {
    if (i) text += '\t';
    AppendNumber(text, results[i], comma);
  }
  std::printf("%s\n", text.c_str());
  return 0;
}

bool IsStandard(const std::optional<std::string>& file) { return !file || *file == "-"; }

int OpenInput(const CommandLine& line) {
  if (IsStandard(line.input)) return STDIN_FILENO;
  const int fd = ::open(line.input->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw TreeFileError("cannot open " + *line.input + ": " + std::strerror(errno));
  return fd;
}

std::string InputName(const CommandLine& line) {
  return IsStandard(line.input) ? std::string("standard input") : *line.input;
}

InputReader ReaderOf(int fd, const CommandLine& line) {
  return [fd, name = InputName(line)](char* buffer, std::size_t size) {
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

std::string Count(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

void PrintSummary(const TreeFileSummary& summary) {
  std::string text = Count(summary.rowsRead, "row", "rows") + " read, " + std::to_string(summary.rowsComputed) +
                     " computed, " + std::to_string(summary.RowsWithError()) + " with an error";
  if (summary.rowsWarned) text += ", " + std::to_string(summary.rowsWarned) + " with a warning";
  std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
}

// Output created only once the input is understood, so that a wrong input
// leaves nothing behind; committed whole by the caller.
class LazyOutput {
 public:
  explicit LazyOutput(const std::optional<std::string>& name) : name_(name) {}
  OutputWriter Writer() {
    if (IsStandard(name_)) return WriteStandardOutput;
    return [this](std::string_view bytes) { File().Write(bytes); };
  }
  void Commit() {
    if (!IsStandard(name_)) File().Commit();
  }

 private:
  OutputFile& File() {
    if (!file_) file_.emplace(*name_);
    return *file_;
  }
  const std::optional<std::string>& name_;
  std::optional<OutputFile> file_;
};

TreeFileSummary CalculateInto(const CommandLine& line, const InputReader& read) {
  LazyOutput output(line.output);
  const TreeFileSummary summary = CalculateTreeFile(line.file, read, output.Writer());
  output.Commit();
  return summary;
}

void WriteCurves(const CommandLine& line, const std::string& table) {
  OutputFile file(*line.curves);
  if (NeedsConverting(line.file.encoding)) {
    EncodedOutput encoded([&](std::string_view bytes) { file.Write(bytes); }, line.file.encoding);
    encoded.Write(table, true);
  } else {
    file.Write(table);
  }
  file.Commit();
}

// Curves first, from passes of their own; then every row with its height.
TreeFileSummary CalculateWithFilledHeights(const CommandLine& line, ReplayableInput& input) {
  FileCurves curves(line.file, *line.fill);
  curves.Fit(Utf8Input(input.Pass(), line.file.encoding).Reader());
  if (line.curves) curves.MeasureResiduals(Utf8Input(input.Pass(), line.file.encoding).Reader());
  TreeFileOptions options = line.file;
  options.filling = curves.Filling();
  LazyOutput output(line.output);
  const TreeFileSummary summary = CalculateTreeFile(options, input.Pass(), output.Writer());
  output.Commit();
  if (line.curves) WriteCurves(line, curves.Table());
  return summary;
}

int SummaryStatus(const StandSummaryCounts& counts) {
  std::fprintf(stderr, "%s: %s in %s, %s\n", kProgram, Count(counts.trees, "tree", "trees").c_str(),
               Count(counts.groups, "group", "groups").c_str(),
               counts.leftOut ? (std::to_string(counts.leftOut) + " left out").c_str() : "none left out");
  return counts.leftOut == 0 ? 0 : 1;
}

int SummariseStandFile(const CommandLine& line, int fd) {
  ReplayableInput input(fd, InputName(line));
  LazyOutput output(line.output);
  std::string curves;
  const StandSummaryCounts counts = SummariseStands(line.file, line.stand, [&] { return input.Pass(); },
                                                    output.Writer(), line.curves ? &curves : nullptr);
  output.Commit();
  if (line.curves) WriteCurves(line, curves);
  return SummaryStatus(counts);
}

int CalculateTreesOf(const CommandLine& line, int fd) {
  if (line.IsStand()) return SummariseStandFile(line, fd);
  TreeFileSummary summary;
  if (line.fill) {
    ReplayableInput input(fd, InputName(line));
    summary = CalculateWithFilledHeights(line, input);
  } else {
    summary = CalculateInto(line, ReaderOf(fd, line));
  }
  PrintSummary(summary);
  return summary.RowsWithError() == 0 ? 0 : 1;
}

// A stand summary of a layer is a table: CSV as from a CSV file, unless the
// output names a layer's format or geometries are asked for.
bool SummaryAsCsv(const CommandLine& line) {
  if (line.layers.format || line.layers.dissolve) return false;
  return IsStandard(line.output) || line.output->ends_with(".csv") || line.output->ends_with(".CSV");
}

int SummariseLayerFile(const CommandLine& line) {
  std::string curves;
  std::string* const curvesTable = line.curves ? &curves : nullptr;
  StandSummaryCounts counts;
  if (SummaryAsCsv(line)) {
    LazyOutput output(line.output);
    counts = SummariseLayer(line.file, line.stand, line.layers, *line.input, output.Writer(), curvesTable);
    output.Commit();
  } else {
    counts = SummariseLayerInto(line.file, line.stand, line.layers, *line.input, *line.output, curvesTable);
  }
  if (line.curves) WriteCurves(line, curves);
  return SummaryStatus(counts);
}

int CalculateLayerFile(const CommandLine& line) {
  if (line.IsStand()) return SummariseLayerFile(line);
  if (IsStandard(line.output)) throw UsageError{"a layer's results go into a new layer: add -o FILE, e.g. trees.gpkg"};
  std::string curves;
  const TreeFileSummary summary =
      CalculateLayer(line.file, line.fill, line.layers, *line.input, *line.output, line.curves ? &curves : nullptr);
  if (line.curves) WriteCurves(line, curves);
  PrintSummary(summary);
  return summary.RowsWithError() == 0 ? 0 : 1;
}

int CalculateFile(const CommandLine& line) {
  if (!IsStandard(line.input) && IsLayerFile(*line.input)) return CalculateLayerFile(line);
  if (line.layers.layer || line.layers.format || line.layers.dissolve) {
    throw UsageError{"--layer, --format and --dissolve apply to a GIS layer; " + InputName(line) + " is read as CSV"};
  }
  const int fd = OpenInput(line);
  try {
    const int status = CalculateTreesOf(line, fd);
    if (fd != STDIN_FILENO) ::close(fd);
    return status;
  } catch (...) {
    if (fd != STDIN_FILENO) ::close(fd);
    throw;
  }
}

int Run(int argc, char** argv) {
  const CommandLine line = ParseCommandLine(argc, argv);
  if (line.help) {
    PutStandardOutput(UsageText());
    return 0;
  }
  if (line.version) {
    std::printf("%s %s\n", kProgram, PDRAVLIK_VERSION);
    return 0;
  }
  if (line.command == "species") {
    PutStandardOutput(SpeciesListing());
    return 0;
  }
  return line.IsFile() ? CalculateFile(line) : CalculateOne(line);
}

}  // namespace

int main(int argc, char** argv) {
  // A file size limit must fail the write that meets it, with a message.
  std::signal(SIGXFSZ, SIG_IGN);
  int status = 2;
  try {
    status = Run(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, e.message.c_str(), kProgram);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
  }
  // Every path that prints ends here, so none can lose its output unnoticed.
  const std::string failure = CloseStandardOutput();
  if (failure.empty()) return status;
  std::fprintf(stderr, "%s: %s\n", kProgram, failure.c_str());
  return 2;
}
