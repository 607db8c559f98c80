// Creating a table over an old one: atomic, never through a symbolic link,
// and a failure leaves the old file whole.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

class TableCreation : public ::testing::Test {
 protected:
  void WriteOldTable() {
    ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
    OpenTable table(path_);
    for (std::uint64_t i = 0; i < 50; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
  }

  bool IsEmptyTable(const std::string& path) {
    OpenTable table(path);
    return table.status() == DBFE_OK && table.ReadAll().empty();
  }

  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
};

TEST_F(TableCreation, ReplacesAnyOldFileAndLeavesNothingElseBehind) {
  WriteOldTable();
  EXPECT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  EXPECT_TRUE(IsEmptyTable(path_));
  WriteFileBytes(path_, {'n', 'o', 't', ' ', 'a', ' ', 't', 'a', 'b', 'l', 'e'});
  EXPECT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  EXPECT_TRUE(IsEmptyTable(path_));
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});
}

TEST_F(TableCreation, WithoutOverwriteKeepsAnExistingFile) {
  WriteOldTable();
  const std::vector<std::uint8_t> before = FileBytes(path_);
  EXPECT_EQ(CreateHeightDiameterTable(path_, false), DBFE_ERR_TABLE_EXISTS);
  EXPECT_EQ(FileBytes(path_), before);
}

TEST_F(TableCreation, ReplacesASymbolicLinkInsteadOfWritingThroughIt) {
  ScratchDirectory elsewhere;
  const std::string victim = elsewhere / "victim.dbf";
  WriteFileBytes(victim, {'k', 'e', 'e', 'p'});
  ASSERT_EQ(::symlink(victim.c_str(), path_.c_str()), 0);
  EXPECT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  struct stat info {};
  ASSERT_EQ(::lstat(path_.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(FileBytes(victim), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_TRUE(IsEmptyTable(path_));

  const std::string dangling = directory_ / "bon_Hm1.dbf";
  ASSERT_EQ(::symlink((elsewhere / "missing.dbf").c_str(), dangling.c_str()), 0);
  EXPECT_EQ(CreateHeightDiameterTable(dangling), DBFE_OK);
  ASSERT_EQ(::lstat(dangling.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(FilesIn(elsewhere.path()), std::vector<std::string>{"victim.dbf"});
}

TEST_F(TableCreation, ThatFailsLeavesTheOldFileWhole) {
  WriteOldTable();
  const std::vector<std::uint8_t> before = FileBytes(path_);
  // The new table's header (161 bytes) does not fit under a 100-byte file size limit.
  const ProcessResult result = RunProcess({DBFE_TEST_WRITER, "create", path_, "100"});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_NE(result.output.find("Cannot create the table file.\nTable: " + path_ + "\nFile too large\n"),
            std::string::npos) << result.output;
  EXPECT_EQ(FileBytes(path_), before);
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});

  ASSERT_EQ(::mkdir((directory_ / "folder.dbf").c_str(), 0755), 0);
  EXPECT_EQ(CreateHeightDiameterTable(directory_ / "folder.dbf"), DBFE_ERR_CREATE_FAILED);
  EXPECT_EQ(FilesIn(directory_ / "folder.dbf"), std::vector<std::string>{});
}

}  // namespace
}  // namespace dbfe::testing
