// pdravlik-tables: regenerates the reference tables without a window, for batch
// jobs, servers and checks, or checks that the files still say what the models
// say. The tables are independent: each is built on a thread of its own.
#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <span>
#include <future>
#include <mutex>
#include <stdexcept>
#include <optional>
#include <string>
#include <vector>

#include "csv_export.h"
#include "file_fields.h"
#include "file_row_writer.h"
#include "height_diameter_table.h"
#include "letter_case.h"
#include "replacement_wait.h"
#include "schemas.h"
#include "site_class_table.h"
#include "standard_output.h"
#include "table_check.h"
#include "table_file_reader.h"
#include "table_file_writer.h"

namespace {

using namespace dravlik;

constexpr const char* kProgram = "pdravlik-tables";

struct TableJob {
  const char* name;  // as the command line names it
  std::unique_ptr<TTable> (*make)(TSession&);
  // The generator's rows, and the fields it names.
  std::function<void(RowWriter&)> writeRows;
  std::span<const std::string_view> fields;
};

const std::vector<TableJob>& Jobs() {
  static const std::vector<TableJob> jobs = {
      {"site-class", MakeSiteClassTable, [](RowWriter& rows) { WriteSiteClassRows(rows); }, kSiteClassFields},
      {"height-diameter", MakeHeightDiameterTable, [](RowWriter& rows) { WriteHeightDiameterRows(rows); },
       kHeightDiameterFields},
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
               "      --csv[=FORM]     also write each table as CSV beside it (bon_Hm1.csv, ...):\n"
               "                       plain (commas, decimal points; the default) or\n"
               "                       decimal-comma (semicolons, decimal commas), as\n"
               "                       spreadsheets in a Czech locale read it\n"
               "      --check          compare the existing files with what the models give,\n"
               "                       changing nothing; one line per difference\n"
               "  -h, --help           show this help and exit\n"
               "  -V, --version        show the version and exit\n"
               "\n"
               "Prints one line per table: file, rows, rows with a volume, time.\n"
               "Exit status: 0 when every table was written whole, 1 when one was not,\n"
               "2 for a wrong command line. With --check: 0 when the files are what the\n"
               "models give, 1 when one differs, 2 when one is missing or unreadable.\n",
               kProgram);
}

// Every way out that printed something: what did not reach standard output
// is a failure too.
int Finished(int status) {
  const std::string failure = CloseStandardOutput();
  if (failure.empty()) return status;
  std::fprintf(stderr, "%s: %s\n", kProgram, failure.c_str());
  return std::max(status, 1);
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, message.c_str(), kProgram);
  return 2;
}

// The generator's field that sets the volume: the last field of both tables.
std::size_t VolumeField(const TableJob& job, const TTable& schema) {
  const std::string& volume = schema.Field(schema.FieldCount() - 1).FieldName();
  const auto named = [&](std::string_view field) { return SameTextIgnoringCase(field, volume); };
  return static_cast<std::size_t>(std::find_if(job.fields.begin(), job.fields.end(), named) - job.fields.begin());
}

std::string CsvName(const std::string& tableName) { return tableName.substr(0, tableName.rfind('.')) + ".csv"; }

// What a job has to say, printed once every job is done so that lines of
// tables built at the same time never mix.
struct JobReport {
  std::string output;
  std::string errors;
  int status = 0;
};

JobReport Generate(const TableJob& job, std::optional<CsvForm> csv, TSession& session) {
  JobReport report;
  const auto schema = job.make(session);
  // A table in place that a system crash could still take back is written,
  // with a catch worth saying.
  session.SetWarningHandler([&](const std::string& message) {
    report.errors += std::string(kProgram) + ": " + schema->TableName() + ": warning: " + message + "\n";
  });
  try {
    const auto start = std::chrono::steady_clock::now();
    int rows = 0, withVolume = 0;
    {
      TableFileWriter file(*schema, session);
      FileRowWriter fileRows(file, *schema, job.fields);
      ValueCountingRowWriter counted(fileRows, VolumeField(job, *schema));
      job.writeRows(counted);
      file.Finish();
      rows = file.RecordCount();
      withVolume = counted.Count();
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (csv) {
      TableFileReader file(*schema, session);
      WriteCsvFile(file, CsvName(schema->TableName()), *csv);
    }
    char line[200];
    std::snprintf(line, sizeof line, "%s: %d rows, %d with a volume, %.2f s\n", schema->TableName().c_str(), rows,
                  withVolume, elapsed.count());
    report.output = line;
  } catch (const std::exception& e) {
    report.errors = std::string(kProgram) + ": " + schema->TableName() + ": " + e.what() + "\n";
    report.status = 1;
  }
  return report;
}

// Difference lines go out as they are found, too many to keep: those of two
// tables checked at once may mix, each line whole and naming its table. The
// summary line comes with the report, after them.
JobReport Check(const TableJob& job, TSession& session) {
  static std::mutex output;
  const ReportLine print = [](const std::string& line) {
    const std::lock_guard lock(output);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
  };
  JobReport report;
  const auto schema = job.make(session);
  try {
    MemoryRowWriter models(*schema, job.fields);
    // The models compute their rows while the file is opened.
    std::future<void> computed = std::async(std::launch::async, [&] { job.writeRows(models); });
    FileFields fields = OpenWaitingOutReplacement(
        schema->TableName(), [&] { return OpenWithFileFields(*schema, session, kKeyFields); });
    for (const std::string& line : fields.differences) print(line);
    computed.get();
    if (!fields.keysLacking.empty()) {
      std::string keys;
      for (const std::string& key : fields.keysLacking) keys += (keys.empty() ? "" : ", ") + key;
      const char* plural = fields.keysLacking.size() > 1 ? "s" : "";
      throw std::runtime_error(std::string("the rows cannot be matched without the key field") + plural + " " + keys);
    }
    const TableCheckSummary summary = CompareTables(*fields.file, *schema, models.Rows(), print);
    report.output = schema->TableName() + ": " + std::to_string(summary.rowsCompared) + " rows compared, " +
                    std::to_string(summary.rowsDiffering) + " differ, " + std::to_string(summary.rowsMissing) +
                    " missing, " + std::to_string(summary.rowsExtra) + " extra\n";
    report.status = summary.Identical() && fields.differences.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    report.errors = std::string(kProgram) + ": " + schema->TableName() + ": " + e.what() + "\n";
    report.status = 2;
  }
  return report;
}

// Each job on a thread and with a session of its own, which the thread also
// ends: engine handles belong to the thread that made them. The reports come
// in the jobs' order.
std::vector<JobReport> RunAll(const std::vector<const TableJob*>& jobs,
                              const std::function<JobReport(const TableJob&, TSession&)>& run) {
  std::vector<std::future<JobReport>> running;
  for (const TableJob* job : jobs) {
    running.push_back(std::async(std::launch::async, [job, &run] {
      TSession session(job->name);
      return run(*job, session);
    }));
  }
  std::vector<JobReport> reports;
  for (auto& report : running) reports.push_back(report.get());
  return reports;
}

}  // namespace

int main(int argc, char** argv) {
  enum { kCsv = 1000, kCheck };
  const option options[] = {{"directory", required_argument, nullptr, 'C'},
                            {"csv", optional_argument, nullptr, kCsv},
                            {"check", no_argument, nullptr, kCheck},
                            {"help", no_argument, nullptr, 'h'},
                            {"version", no_argument, nullptr, 'V'},
                            {nullptr, 0, nullptr, 0}};
  // A file size limit must fail the write that meets it, with a message,
  // not kill the program.
  std::signal(SIGXFSZ, SIG_IGN);
  const char* directory = nullptr;
  std::optional<CsvForm> csv;
  bool check = false;
  opterr = 0;
  for (int option; (option = getopt_long(argc, argv, ":C:hV", options, nullptr)) != -1;) {
    switch (option) {
      case 'C': directory = optarg; break;
      case kCsv:
        if (!optarg || optarg == std::string("plain")) csv = kPlainCsv;
        else if (optarg == std::string("decimal-comma")) csv = kDecimalCommaCsv;
        else return UsageError(std::string("--csv takes plain or decimal-comma, not '") + optarg + "'");
        break;
      case kCheck: check = true; break;
      case 'h': PrintUsage(stdout); return Finished(0);
      case 'V': std::printf("%s %s\n", kProgram, PDRAVLIK_VERSION); return Finished(0);
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
    // Tables are built at the same time: a table named twice is built once.
    if (std::find(chosen.begin(), chosen.end(), job) == chosen.end()) chosen.push_back(job);
  }
  if (chosen.empty()) {
    for (const TableJob& job : Jobs()) chosen.push_back(&job);
  }
  if (directory && chdir(directory) != 0) {
    std::fprintf(stderr, "%s: cannot change to directory '%s': %s\n", kProgram, directory, std::strerror(errno));
    // A check that cannot reach its files is one that cannot read them.
    return check ? 2 : 1;
  }
  if (check && csv) return UsageError("--check changes nothing, so it writes no CSV");
  const std::vector<JobReport> reports =
      check ? RunAll(chosen, Check)
            : RunAll(chosen, [csv](const TableJob& job, TSession& session) { return Generate(job, csv, session); });
  int status = 0;
  for (const JobReport& report : reports) {
    std::fputs(report.output.c_str(), stdout);
    std::fputs(report.errors.c_str(), stderr);
    status = std::max(status, report.status);
  }
  return Finished(status);
}
