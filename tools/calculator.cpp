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
#include "domain_warnings.h"
#include "number_text.h"
#include "numeric.h"
#include "output_file.h"
#include "species_catalogue.h"
#include "standard_output.h"
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
  const double first = NumberArgument(line.arguments[next], inputs[1], comma);
  const double second = NumberArgument(line.arguments[next + 1], inputs[2], comma);
  double results[4];
  try {
    Calculate(options.calculation, species, first, second, results);
  } catch (const vzorce::FloatingPointError& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram,
                 ExplainedError(options.calculation, species, first, second, e).c_str());
    return 1;
  }
  const std::string warning = DomainWarnings(options.calculation, species, first, second, results);
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

InputReader ReaderOf(int fd, const CommandLine& line) {
  return [fd, name = IsStandard(line.input) ? std::string("standard input") : *line.input](
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

std::string Count(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

void PrintSummary(const TreeFileSummary& summary) {
  std::string text = Count(summary.rowsRead, "row", "rows") + " read, " + std::to_string(summary.rowsComputed) +
                     " computed, " + std::to_string(summary.RowsWithError()) + " with an error";
  if (summary.rowsWarned) text += ", " + std::to_string(summary.rowsWarned) + " with a warning";
  std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
}

TreeFileSummary CalculateInto(const CommandLine& line, const InputReader& read) {
  if (IsStandard(line.output)) return CalculateTreeFile(line.file, read, WriteStandardOutput);
  std::optional<OutputFile> file;
  // Created only once the header is understood, so a wrong input leaves nothing behind.
  const TreeFileSummary summary = CalculateTreeFile(line.file, read, [&](std::string_view bytes) {
    if (!file) file.emplace(*line.output);
    file->Write(bytes);
  });
  if (!file) file.emplace(*line.output);
  file->Commit();
  return summary;
}

int CalculateFile(const CommandLine& line) {
  const int fd = OpenInput(line);
  TreeFileSummary summary;
  try {
    summary = CalculateInto(line, ReaderOf(fd, line));
  } catch (...) {
    if (fd != STDIN_FILENO) ::close(fd);
    throw;
  }
  if (fd != STDIN_FILENO) ::close(fd);
  PrintSummary(summary);
  return summary.RowsWithError() == 0 ? 0 : 1;
}

int Run(int argc, char** argv) {
  const CommandLine line = ParseCommandLine(argc, argv);
  if (line.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (line.version) {
    std::printf("%s %s\n", kProgram, PDRAVLIK_VERSION);
    return 0;
  }
  if (line.command == "species") {
    std::fputs(SpeciesListing().c_str(), stdout);
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
