// What the table layer does when the file or the disk lets it down, and when
// another table or program holds the file.
#include "table.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "schemas.h"
#include "table_test_support.h"

namespace dravlik {
namespace {

using testing::FilesHere;
using testing::InChildProcess;
using testing::MessageOf;
using testing::TableTest;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(TableTest, RecreatingATableThatAnotherTableHoldsIsRefused) {
  auto writer = OpenSiteClassTable();
  AddRow(*writer, "SM ", 10);
  auto other = MakeSiteClassTable();
  const std::string message = MessageOf<EDBEngineError>([&] { other->CreateTable(); });
  EXPECT_TRUE(Contains(message, "in use")) << message;
  EXPECT_TRUE(Contains(message, "bon_Hm1.dbf")) << message;
  EXPECT_FALSE(other->Active());
  writer->Close();
  other->Open();
  EXPECT_EQ(other->RecordCount(), 1) << "the old file is whole";
}

TEST_F(TableTest, RecreatingATableThatAnotherProgramHoldsIsRefused) {
  {
    auto table = OpenSiteClassTable();
    AddRow(*table, "SM ", 10);
  }
  int opened[2], finish[2];
  ASSERT_EQ(pipe(opened), 0);
  ASSERT_EQ(pipe(finish), 0);
  const pid_t child = fork();
  if (child == 0) {
    int result = 1;
    try {
      auto table = MakeSiteClassTable();
      table->Open();
      char byte = 'o';
      if (write(opened[1], &byte, 1) == 1 && read(finish[0], &byte, 1) == 1) result = 0;
    } catch (...) {
    }
    _exit(result);
  }
  char byte = 0;
  ASSERT_EQ(read(opened[0], &byte, 1), 1) << "the other program opened the table";
  auto table = MakeSiteClassTable();
  const std::string message = MessageOf<EDBEngineError>([&] { table->CreateTable(); });
  byte = 'f';
  ASSERT_EQ(write(finish[1], &byte, 1), 1);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : {opened[0], opened[1], finish[0], finish[1]}) close(fd);

  EXPECT_TRUE(Contains(message, "in use")) << message;
  EXPECT_TRUE(Contains(message, "bon_Hm1.dbf")) << message;
  table->Open();
  EXPECT_EQ(table->RecordCount(), 1) << "the old file is whole";
  table->Close();
  table->CreateTable();  // once the other program is gone
  table->Open();
  EXPECT_TRUE(table->IsEmpty());
}

TEST_F(TableTest, AFileThatCanOnlyBeReadOpensReadOnly) {
  {
    auto table = OpenSiteClassTable();
    AddRow(*table, "SM ", 10);
  }
  chmod("bon_Hm1.dbf", 0444);
  chmod(".", 0777);
  const int result = InChildProcess([] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;  // root may write anything
    auto table = MakeSiteClassTable();
    table->Open();
    if (table->CanModify() || table->FieldByName("VYSKA").AsFloat() != 10.0) return 3;
    if (MessageOf([&] { table->Insert(); }) != "Table1: Cannot modify a read-only dataset") return 4;
    if (MessageOf([&] { table->Edit(); }) != "Table1: Cannot modify a read-only dataset") return 5;
    return table->State() == dsBrowse ? 0 : 6;
  });
  EXPECT_EQ(result, 0);
}

TEST_F(TableTest, AtAFileSizeLimitNamesTheTableAndKeepsWhatWasPosted) {
  const int result = InChildProcess([] {
    signal(SIGXFSZ, SIG_IGN);
    auto table = MakeSiteClassTable();
    table->CreateTable();
    table->Open();
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    int posted = 0;
    const std::string message = MessageOf<EDBEngineError>([&] {
      for (; posted < 1000; ++posted) AddRow(*table, "SM ", posted);
    });
    if (!Contains(message, "bon_Hm1.dbf") || !Contains(message, std::strerror(EFBIG))) return 5;
    if (table->State() != dsInsert || table->FieldByName("VYSKA").AsFloat() != posted) return 6;
    return posted > 0 && posted < 1000 ? 0 : 7;
  });
  ASSERT_EQ(result, 0);
  auto table = MakeSiteClassTable();
  table->Open();
  ASSERT_GT(table->RecordCount(), 0);
  for (int row = 0; row < table->RecordCount(); ++row) ASSERT_EQ(Number(*table, row, "VYSKA"), row);
}

TEST_F(TableTest, ASignalDuringARecreationLeavesTheOldTableAndNothingElse) {
  {
    auto table = OpenSiteClassTable();
    AddRow(*table, "SM ", 10);
  }
  int filling[2];
  ASSERT_EQ(pipe(filling), 0);
  const pid_t child = fork();
  if (child == 0) {
    try {
      auto table = MakeSiteClassTable();
      table->CreateTable();
      table->Open();
      AddRow(*table, "BK ", 20);
      char byte = 'f';
      if (write(filling[1], &byte, 1) == 1) pause();
    } catch (...) {
    }
    _exit(1);
  }
  char byte = 0;
  ASSERT_EQ(read(filling[0], &byte, 1), 1) << "the other program is filling the new table";
  EXPECT_EQ(FilesHere().size(), 3u) << "the old table, the new one and the lock";
  ASSERT_EQ(kill(child, SIGTERM), 0);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  for (int fd : filling) close(fd);
  EXPECT_EQ(FilesHere(), std::vector<std::string>{"bon_Hm1.dbf"});
  auto table = MakeSiteClassTable();
  table->Open();
  EXPECT_EQ(Number(*table, 0, "VYSKA"), 10) << "the old table is whole";
}

}  // namespace
}  // namespace dravlik
