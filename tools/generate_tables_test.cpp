// The command-line generator, run as people and scripts run it.
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "csv_export.h"
#include "schemas.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

struct Outcome {
  int status;
  std::string output;  // standard output and error
};

Outcome RunTool(const std::string& arguments, const std::string& prefix = "") {
  const std::string command = prefix + " " PDRAVLIK_TABLES " " + arguments + " 2>&1";
  Outcome outcome{-1, ""};
  FILE* pipe = popen(command.c_str(), "r");
  for (int c; (c = std::fgetc(pipe)) != EOF;) outcome.output += static_cast<char>(c);
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

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
  EXPECT_EQ(first, "\"SM \",7,7,0.01");
  EXPECT_FALSE(std::filesystem::exists("TloVysHm.csv.part"));
}

TEST_F(GenerateTablesTest, WritesOnlyTheNamedTableInTheNamedDirectory) {
  std::filesystem::create_directory("out");
  const Outcome outcome = RunTool("-C out height-diameter");
  EXPECT_EQ(outcome.status, 0) << outcome.output;
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

}  // namespace
}  // namespace dravlik
