// The command-line generator, run as people and scripts run it.
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <fstream>
#include <sstream>
#include <string>

#include "csv_export.h"
#include "program_run_for_tests.h"
#include "schemas.h"
#include "test_seed_for_tests.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

using testing::Contains;
using testing::Outcome;

Outcome RunTool(const std::string& arguments, const std::string& prefix = "") {
  return testing::RunCommand(prefix + " " PDRAVLIK_TABLES " " + arguments + " 2>&1");
}

class GenerateTablesTest : public testing::InFreshDirectory {};

TEST_F(GenerateTablesTest, WritesBothTablesAndReportsThem) {
  const Outcome outcome = RunTool("--csv");
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "bon_Hm1.dbf: 3228 rows, 3228 with a volume, ")) << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "TloVysHm.dbf: 32708 rows, 25103 with a volume, ")) << outcome.output;
  std::ifstream csv("TloVysHm.csv");
  std::string header, first;
  std::getline(csv, header);
  std::getline(csv, first);
  EXPECT_EQ(header, "drevina,tloustka,vyska,hmot");
  EXPECT_EQ(first, "\"SM\",7,7,0.01");  // the code without the blank that pads it in the file
  EXPECT_FALSE(std::filesystem::exists("TloVysHm.csv.part"));
}

TEST_F(GenerateTablesTest, TheDecimalCommaFormIsForCzechSpreadsheets) {
  ASSERT_EQ(RunTool("--csv=decimal-comma height-diameter").status, 0);
  std::ifstream csv("TloVysHm.csv");
  std::string header, first;
  std::getline(csv, header);
  std::getline(csv, first);
  EXPECT_EQ(header, "drevina;tloustka;vyska;hmot");
  EXPECT_EQ(first, "\"SM\";7;7;0,01");
  const Outcome wrong = RunTool("--csv=excel");
  EXPECT_EQ(wrong.status, 2);
  EXPECT_TRUE(Contains(wrong.output, "--csv takes plain or decimal-comma, not 'excel'")) << wrong.output;
}

// The copies come from the file as written, through the same CSV rows as the
// window's export of the open table.
TEST_F(GenerateTablesTest, CsvCopiesAreWhatTheWindowExportsOfTheTables) {
  ASSERT_EQ(RunTool("--csv").status, 0);
  for (auto make : {MakeSiteClassTable, MakeHeightDiameterTable}) {
    const auto table = make(Session());
    table->Open();
    std::ostringstream exported;
    WriteCsv(*table, exported);
    const std::string name = table->TableName();
    EXPECT_EQ(testing::FileText(name.substr(0, name.rfind('.')) + ".csv"), exported.str()) << name;
  }
}

// The rename stands, so the table is written; that a system crash could
// still undo it is said, not reported as a failure.
TEST_F(GenerateTablesTest, ATableADirectorySyncFailsForIsWrittenWithAWarning) {
  const Outcome outcome =
      RunTool("site-class", "LD_PRELOAD=" FAILING_DIRECTORY_SYNC " ASAN_OPTIONS=verify_asan_link_order=0");
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "bon_Hm1.dbf: 3228 rows, 3228 with a volume, ")) << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "pdravlik-tables: bon_Hm1.dbf: warning: Table was replaced, but a system "
                                       "crash may undo it.\n"))
      << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "Input/output error")) << outcome.output;
  EXPECT_EQ(testing::FilesHere(), std::vector<std::string>{"bon_Hm1.dbf"});
  EXPECT_EQ(RunTool("--check site-class").status, 0);
}

TEST_F(GenerateTablesTest, WritesOnlyTheNamedTableInTheNamedDirectory) {
  std::filesystem::create_directory("out");
  // Named twice, built once: two builds at once would refuse each other.
  const Outcome outcome = RunTool("-C out height-diameter height-diameter");
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_EQ(std::count(outcome.output.begin(), outcome.output.end(), '\n'), 1) << outcome.output;
  EXPECT_TRUE(std::filesystem::exists("out/TloVysHm.dbf"));
  EXPECT_FALSE(std::filesystem::exists("out/bon_Hm1.dbf"));
}

TEST_F(GenerateTablesTest, RefusesWrongCommandLines) {
  EXPECT_EQ(RunTool("--bogus").status, 2);
  const Outcome unknown = RunTool("volumes");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(Contains(unknown.output, "unknown table 'volumes'"));
  EXPECT_EQ(RunTool("--help").status, 0);
  EXPECT_TRUE(Contains(RunTool("--version").output, "pdravlik-tables "));
  const Outcome noDirectory = RunTool("site-class -C");
  EXPECT_EQ(noDirectory.status, 2);
  EXPECT_TRUE(Contains(noDirectory.output, "option '-C' needs a directory")) << noDirectory.output;
  const Outcome missing = RunTool("-C does-not-exist");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(Contains(missing.output, "cannot change to directory 'does-not-exist'"));
}

TEST_F(GenerateTablesTest, FailsClearlyWhenATableIsInUse) {
  auto table = MakeSiteClassTable();
  table->CreateTable();
  table->Open();
  const Outcome outcome = RunTool("");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(Contains(outcome.output, "pdravlik-tables: bon_Hm1.dbf: ")) << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "TloVysHm.dbf: 32708 rows")) << "the other table is still written";
}

TEST_F(GenerateTablesTest, FailsClearlyWhenTheDiskIsFull) {
  const Outcome outcome = RunTool("site-class", "ulimit -f 64; trap '' XFSZ;");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(Contains(outcome.output, "bon_Hm1.dbf")) << outcome.output;
  EXPECT_FALSE(Contains(outcome.output, "3228 rows")) << outcome.output;
}

TEST_F(GenerateTablesTest, AFileSizeLimitFailsClearlyAndKeepsTheOldTable) {
  ASSERT_EQ(RunTool("height-diameter").status, 0);
  const std::vector<std::uint8_t> good = testing::FileBytes("TloVysHm.dbf");
  const Outcome outcome = RunTool("height-diameter", "ulimit -f 1000;");
  EXPECT_EQ(outcome.status, 1) << "killed by SIGXFSZ, or success reported";
  EXPECT_TRUE(Contains(outcome.output, "pdravlik-tables: TloVysHm.dbf: ")) << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "File too large")) << outcome.output;
  EXPECT_EQ(testing::FileBytes("TloVysHm.dbf"), good);
  EXPECT_EQ(testing::FilesHere(), std::vector<std::string>{"TloVysHm.dbf"});
}

TEST_F(GenerateTablesTest, RefusesToReplaceATableMadeReadOnly) {
  ASSERT_EQ(RunTool("site-class").status, 0);
  chmod("bon_Hm1.dbf", 0444);
  const std::vector<std::uint8_t> kept = testing::FileBytes("bon_Hm1.dbf");
  const Outcome outcome = RunTool("site-class");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(Contains(outcome.output, "bon_Hm1.dbf: Table can only be opened for reading.")) << outcome.output;
  EXPECT_EQ(testing::FileBytes("bon_Hm1.dbf"), kept);
  struct stat info {};
  ASSERT_EQ(stat("bon_Hm1.dbf", &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0444u);
}

int SiteClassRows() {
  auto table = MakeSiteClassTable();
  table->Open();
  return table->RecordCount();
}

TEST_F(GenerateTablesTest, TwoRunsAtOnceEndWithOneWholeTable) {
  const std::string run = "( " PDRAVLIK_TABLES " site-class >/dev/null 2>&1; echo $? >&3 ) 3>>";
  for (int round = 0; round < 20; ++round) {
    std::filesystem::remove("bon_Hm1.dbf");
    const Outcome both = RunTool("--version", run + "one.status & " + run + "two.status & wait;");
    ASSERT_EQ(both.status, 0);
    EXPECT_EQ(SiteClassRows(), 3228) << "round " << round;
  }
  const auto statuses = [](const char* path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  };
  const std::string one = statuses("one.status"), two = statuses("two.status");
  std::filesystem::remove("one.status");
  std::filesystem::remove("two.status");
  // Each run either wrote the whole table or said that it could not.
  for (std::size_t i = 0; i < one.size(); ++i) {
    if (one[i] == '\n') continue;
    EXPECT_TRUE((one[i] == '0' || one[i] == '1') && (two[i] == '0' || two[i] == '1')) << one << two;
  }
  EXPECT_EQ(testing::FilesHere(), std::vector<std::string>{"bon_Hm1.dbf"});
}

TEST_F(GenerateTablesTest, AKilledRunLeavesTheOldTableOrTheWholeNewOne) {
  ASSERT_EQ(RunTool("site-class").status, 0);
  const int rounds = std::getenv("PDRAVLIK_KILL_ROUNDS") ? std::atoi(std::getenv("PDRAVLIK_KILL_ROUNDS")) : 30;
  const testing::TestSeed seed;
  std::mt19937 random(seed.value());
  for (int round = 0; round < rounds; ++round) {
    // Anywhere from before the start to after the end of a run.
    const int microseconds = std::uniform_int_distribution<int>(0, 120000)(random);
    const std::string kill = "sleep " + std::to_string(microseconds / 1e6) + "; kill -9 $! 2>/dev/null; wait;";
    RunTool("site-class >/dev/null & " + kill, "");
    ASSERT_EQ(SiteClassRows(), 3228) << "killed after " << microseconds << " us";
  }
  // The next run clears what the killed ones left.
  ASSERT_EQ(RunTool("site-class").status, 0);
  EXPECT_EQ(testing::FilesHere(), std::vector<std::string>{"bon_Hm1.dbf"});
}

TEST_F(GenerateTablesTest, CsvNeverWritesThroughALink) {
  std::filesystem::create_directory("elsewhere");
  { std::ofstream("elsewhere/victim") << "keep"; }
  std::filesystem::create_symlink("elsewhere/victim", "bon_Hm1.csv.part");
  std::filesystem::create_symlink("elsewhere/victim", "bon_Hm1.csv");
  ASSERT_EQ(RunTool("--csv site-class").status, 0);
  std::ifstream victim("elsewhere/victim");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), std::istreambuf_iterator<char>()), "keep");
  EXPECT_FALSE(std::filesystem::is_symlink("bon_Hm1.csv"));
  EXPECT_GT(std::filesystem::file_size("bon_Hm1.csv"), 50000u);
}

TEST_F(GenerateTablesTest, FailsClearlyInADirectoryItCannotWrite) {
  std::filesystem::permissions(Directory(), std::filesystem::perms::all);
  std::filesystem::create_directory("locked");
  chmod("locked", 0555);
  // Root writes anywhere; run as nobody then.
  const std::string prefix = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
  const Outcome outcome = RunTool("-C locked site-class", prefix);
  EXPECT_EQ(outcome.status, 1) << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "bon_Hm1.dbf")) << outcome.output;
}

TEST_F(GenerateTablesTest, CsvQuotesTextAndWritesShortestNumbers) {
  auto table = MakeSiteClassTable();
  table->CreateTable();
  table->Open();
  table->Insert();
  table->FieldByName("DREVINA").SetAsString("a\"b");
  table->FieldByName("BONITA").SetAsFloat(0.1 + 0.2);
  table->FieldByName("VEK").SetAsFloat(-1.5e-7);
  table->Post();
  std::ostringstream out;
  WriteCsv(*table, out);
  EXPECT_EQ(out.str(), "DREVINA,BONITA,VEK,VYSKA,TLOUSTKA,HMOT\n\"a\"\"b\",0.30000000000000004,-1.5e-07,,,\n");
}

// As GDAL, dbfread and LibreOffice give text: "SM " is "SM", so that a filter on
// the code finds it; blanks before and inside the text stay.
TEST_F(GenerateTablesTest, CsvWritesTextWithoutTheBlanksThatPadIt) {
  auto table = MakeHeightDiameterTable();
  table->CreateTable();
  table->Open();
  for (const char* code : {"SM ", "S", " a ", "a b", "   "}) {
    table->Append();
    table->FieldByName("drevina").SetAsString(code);
    table->Post();
  }
  std::ostringstream out;
  WriteCsv(*table, out);
  EXPECT_EQ(out.str(), "drevina,tloustka,vyska,hmot\n\"SM\",,,\n\"S\",,,\n\" a\",,,\n\"a b\",,,\n,,,\n");
}

}  // namespace
}  // namespace dravlik
