// pdravlik-tables: regenerates the reference tables without a window, for batch
// jobs, servers and checks.
#include <getopt.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "csv_export.h"
#include "height_diameter_table.h"
#include "schemas.h"
#include "site_class_table.h"

namespace {

using namespace dravlik;

constexpr const char* kProgram = "pdravlik-tables";

struct TableJob {
  const char* name;  // as the command line names it
  std::unique_ptr<TTable> (*make)(TSession&);
  std::function<void(TTable&)> generate;
};

const std::vector<TableJob>& Jobs() {
  static const std::vector<TableJob> jobs = {
      {"site-class", MakeSiteClassTable, [](TTable& table) { GenerateSiteClassTable(table); }},
      {"height-diameter", MakeHeightDiameterTable, [](TTable& table) { GenerateHeightDiameterTable(table); }},
  };
  return jobs;
}

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: %s [OPTION]... [TABLE]...\n"
               "Regenerates the forest mensuration reference tables as dBASE files.\n"
               "\n"
               "TABLE is site-class (bon_Hm1.dbf) or height-diameter (TloVysHm.dbf);\n"
               "without one, both are regenerated.\n"
               "\n"
               "  -C, --directory=DIR  write the tables in DIR instead of the current directory\n"
               "      --csv            also write each table as CSV beside it (bon_Hm1.csv, ...)\n"
               "  -h, --help           show this help and exit\n"
               "  -V, --version        show the version and exit\n"
               "\n"
               "Prints one line per table: file, rows, rows with a volume, time.\n"
               "Exit status: 0 when every table was written whole, 1 when one was not,\n"
               "2 for a wrong command line.\n",
               kProgram);
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, message.c_str(), kProgram);
  return 2;
}

int CountWithVolume(TTable& table) {
  const int volume = table.FieldCount() - 1;  // the volume is the last field of both tables
  int count = 0;
  for (int row = 0; row < table.RowCount(); ++row) {
    count += !std::holds_alternative<std::monostate>(table.RowValue(row, volume));
  }
  return count;
}

std::string CsvName(const std::string& tableName) { return tableName.substr(0, tableName.rfind('.')) + ".csv"; }

bool Run(const TableJob& job, bool csv) {
  auto table = job.make(Session());
  try {
    const auto start = std::chrono::steady_clock::now();
    job.generate(*table);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (csv) WriteCsvFile(*table, CsvName(table->TableName()));
    std::printf("%s: %d rows, %d with a volume, %.2f s\n", table->TableName().c_str(), table->RecordCount(),
                CountWithVolume(*table), elapsed.count());
    table->Close();
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, table->TableName().c_str(), e.what());
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  enum { kCsv = 1000 };
  const option options[] = {{"directory", required_argument, nullptr, 'C'},
                            {"csv", no_argument, nullptr, kCsv},
                            {"help", no_argument, nullptr, 'h'},
                            {"version", no_argument, nullptr, 'V'},
                            {nullptr, 0, nullptr, 0}};
  // A file size limit must fail the write that meets it, with a message,
  // not kill the program.
  std::signal(SIGXFSZ, SIG_IGN);
  const char* directory = nullptr;
  bool csv = false;
  opterr = 0;
  for (int option; (option = getopt_long(argc, argv, ":C:hV", options, nullptr)) != -1;) {
    switch (option) {
      case 'C': directory = optarg; break;
      case kCsv: csv = true; break;
      case 'h': PrintUsage(stdout); return 0;
      case 'V': std::printf("%s %s\n", kProgram, PDRAVLIK_VERSION); return 0;
      case ':': return UsageError(std::string("option '") + argv[optind - 1] + "' needs a directory");
      default: return UsageError(std::string("unrecognised option '") + argv[optind - 1] + "'");
    }
  }
  std::vector<const TableJob*> chosen;
  for (int i = optind; i < argc; ++i) {
    const TableJob* job = nullptr;
    for (const TableJob& candidate : Jobs()) {
      if (argv[i] == std::string(candidate.name)) job = &candidate;
    }
    if (!job) return UsageError(std::string("unknown table '") + argv[i] + "'");
    chosen.push_back(job);
  }
  if (chosen.empty()) {
    for (const TableJob& job : Jobs()) chosen.push_back(&job);
  }
  if (directory && chdir(directory) != 0) {
    std::fprintf(stderr, "%s: cannot change to directory '%s': %s\n", kProgram, directory, std::strerror(errno));
    return 1;
  }
  bool whole = true;
  for (const TableJob* job : chosen) whole = Run(*job, csv) && whole;
  return whole ? 0 : 1;
}
