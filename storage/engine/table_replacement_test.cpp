// Replacing a table whole: the old table stays, whole and readable, until the
// new one is committed; one replacement at a time; a table swapped in by
// another program, or made read-only by its owner, is never overwritten.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

class TableReplacement : public ::testing::Test {
 protected:
  void WriteOldTable(std::uint64_t rows = 50) {
    ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
    OpenTable table(path_);
    for (std::uint64_t i = 0; i < rows; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
  }

  static std::size_t RowsIn(const std::string& path) {
    OpenTable table(path, DBFE_READ_ONLY);
    EXPECT_EQ(table.status(), DBFE_OK) << path;
    return table.ReadAll().size();
  }

  // Begins a replacement and fills the new table with `rows` rows.
  dbfe_replacement BeginAndFill(std::uint64_t rows) {
    dbfe_replacement replacement = nullptr;
    std::string new_path;
    EXPECT_EQ(BeginHeightDiameterReplacement(path_, replacement, new_path), DBFE_OK);
    OpenTable table(new_path);
    for (std::uint64_t i = 0; i < rows; ++i) EXPECT_EQ(table.Append(RowAt(100 + i)), DBFE_OK);
    return replacement;
  }

  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
};

TEST_F(TableReplacement, KeepsTheOldTableUntilCommitThenLeavesOnlyTheNewOne) {
  WriteOldTable();
  const std::vector<std::uint8_t> old_bytes = FileBytes(path_);
  dbfe_replacement replacement = BeginAndFill(10);
  EXPECT_EQ(FileBytes(path_), old_bytes);
  EXPECT_EQ(RowsIn(path_), 50u);
  ASSERT_EQ(dbfe_commit_replacement(&replacement), DBFE_OK);
  EXPECT_EQ(replacement, nullptr);
  EXPECT_EQ(RowsIn(path_), 10u);
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});
}

TEST_F(TableReplacement, DroppedLeavesTheOldTableOrNoneAndNoOtherFile) {
  dbfe_replacement replacement = BeginAndFill(5);
  ASSERT_EQ(dbfe_drop_replacement(&replacement), DBFE_OK);
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{});

  WriteOldTable();
  const std::vector<std::uint8_t> old_bytes = FileBytes(path_);
  replacement = BeginAndFill(5);
  ASSERT_EQ(dbfe_drop_replacement(&replacement), DBFE_OK);
  EXPECT_EQ(FileBytes(path_), old_bytes);
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});
}

TEST_F(TableReplacement, RunsOneAtATimePerTable) {
  dbfe_replacement first = BeginAndFill(1);
  dbfe_replacement second = nullptr;
  std::string new_path;
  const dbfe_status status = BeginHeightDiameterReplacement(path_, second, new_path);
  EXPECT_EQ(status, DBFE_ERR_TABLE_IN_USE);
  EXPECT_EQ(FailureLines(status), (std::vector<std::string>{"Table is in use by another program.",
                                                            "Table: " + path_,
                                                            "Another program is replacing the table."}));
  // Another table of the same directory is not held up.
  dbfe_replacement other = nullptr;
  ASSERT_EQ(BeginHeightDiameterReplacement(directory_ / "bon_Hm1.dbf", other, new_path), DBFE_OK);
  ASSERT_EQ(dbfe_drop_replacement(&other), DBFE_OK);

  ASSERT_EQ(dbfe_commit_replacement(&first), DBFE_OK);
  second = BeginAndFill(2);
  ASSERT_EQ(dbfe_commit_replacement(&second), DBFE_OK);
  EXPECT_EQ(RowsIn(path_), 2u);
}

TEST_F(TableReplacement, NeverOverwritesATableAnotherProgramPutInItsPlace) {
  WriteOldTable();
  dbfe_replacement replacement = BeginAndFill(10);
  // Another program renames its own table over ours meanwhile.
  const std::string theirs = directory_ / "theirs.dbf";
  ASSERT_EQ(CreateHeightDiameterTable(theirs), DBFE_OK);
  ASSERT_EQ(::rename(theirs.c_str(), path_.c_str()), 0);
  const std::vector<std::uint8_t> their_bytes = FileBytes(path_);
  const dbfe_status status = dbfe_commit_replacement(&replacement);
  EXPECT_EQ(status, DBFE_ERR_TABLE_REPLACED);
  EXPECT_EQ(FailureLines(status),
            (std::vector<std::string>{"Table was replaced by another program.", "Table: " + path_}));
  EXPECT_EQ(FileBytes(path_), their_bytes);
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});

  // Nor one that appeared where there was none.
  ASSERT_EQ(::unlink(path_.c_str()), 0);
  replacement = BeginAndFill(1);
  ASSERT_EQ(CreateHeightDiameterTable(theirs), DBFE_OK);
  ASSERT_EQ(::rename(theirs.c_str(), path_.c_str()), 0);
  EXPECT_EQ(dbfe_commit_replacement(&replacement), DBFE_ERR_TABLE_REPLACED);
  EXPECT_EQ(RowsIn(path_), 0u);
}

TEST_F(TableReplacement, WaitsForNobodyButRefusesAnOpenTable) {
  WriteOldTable();
  {
    OpenTable reader(path_, DBFE_READ_ONLY);
    dbfe_replacement replacement = nullptr;
    std::string new_path;
    EXPECT_EQ(BeginHeightDiameterReplacement(path_, replacement, new_path), DBFE_ERR_TABLE_IN_USE);
  }
  dbfe_replacement replacement = BeginAndFill(3);
  {
    OpenTable reader(path_, DBFE_READ_ONLY);
    EXPECT_EQ(dbfe_commit_replacement(&replacement), DBFE_ERR_TABLE_IN_USE);
  }
  EXPECT_EQ(RowsIn(path_), 50u);
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});

  // A cursor left open on the new table must not lose what it has not flushed.
  std::string new_path;
  ASSERT_EQ(BeginHeightDiameterReplacement(path_, replacement, new_path), DBFE_OK);
  OpenTable writer(new_path);
  EXPECT_EQ(dbfe_commit_replacement(&replacement), DBFE_ERR_TABLE_IN_USE);
  EXPECT_EQ(RowsIn(path_), 50u);
}

TEST_F(TableReplacement, RefusesAReadOnlyTableAndKeepsAWritableOnesPermissionsAndGroup) {
  WriteOldTable();
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  const std::vector<std::uint8_t> old_bytes = FileBytes(path_);
  dbfe_replacement replacement = nullptr;
  std::string new_path;
  const dbfe_status status = BeginHeightDiameterReplacement(path_, replacement, new_path);
  EXPECT_EQ(status, DBFE_ERR_READ_ONLY_ACCESS);
  EXPECT_EQ(FailureLines(status)[0], "Table can only be opened for reading.");
  EXPECT_EQ(CreateHeightDiameterTable(path_), DBFE_ERR_READ_ONLY_ACCESS);
  EXPECT_EQ(FileBytes(path_), old_bytes);

  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  // A table shared through a group stays shared (root may set any group).
  const bool as_root = ::geteuid() == 0;
  if (as_root) {
    ASSERT_EQ(::chown(path_.c_str(), static_cast<uid_t>(-1), 12346), 0);
  }
  struct stat before {};
  ASSERT_EQ(::stat(path_.c_str(), &before), 0);
  replacement = BeginAndFill(1);
  struct stat written {};
  for (const std::string& name : FilesIn(directory_.path())) {
    if (name.ends_with(".tmp")) {
      ASSERT_EQ(::stat((directory_ / name).c_str(), &written), 0);
    }
  }
  ASSERT_NE(written.st_ino, 0u) << "the new table is written beside the old one";
  ASSERT_EQ(dbfe_commit_replacement(&replacement), DBFE_OK);
  struct stat info {};
  ASSERT_EQ(::stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(info.st_gid, before.st_gid);
  if (as_root) {
    EXPECT_EQ(info.st_gid, 12346u);
  }
  EXPECT_EQ(written.st_mode & 077, 0u) << "private while it is written";
}

TEST_F(TableReplacement, RemovesOnlyOurOwnLeftoversOfThatTable) {
  ScratchDirectory elsewhere;
  const std::string victim = elsewhere / "victim";
  WriteFileBytes(victim, {'k', 'e', 'e', 'p'});
  const auto leftover = [&](const std::string& name) { WriteFileBytes(directory_ / name, {'x'}); };
  leftover(".TloVysHm.dbf.123456789.tmp");                    // a killed run's: removed
  leftover(".TloVysHm.dbf.12ab.tmp");                         // not our pattern
  leftover(".bon_Hm1.dbf.123.tmp");                           // another table's
  // Someone else's, where we may give a file away.
  const bool as_root = ::geteuid() == 0;
  if (as_root) {
    leftover(".TloVysHm.dbf.777.tmp");
    ASSERT_EQ(::chown((directory_ / ".TloVysHm.dbf.777.tmp").c_str(), 12345, 12345), 0);
  }
  ASSERT_EQ(::symlink(victim.c_str(), (directory_ / ".TloVysHm.dbf.555.tmp").c_str()), 0);
  ASSERT_EQ(::mkdir((directory_ / ".TloVysHm.dbf.666.tmp").c_str(), 0755), 0);

  ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  std::vector<std::string> kept = {".TloVysHm.dbf.12ab.tmp", ".TloVysHm.dbf.555.tmp", ".TloVysHm.dbf.666.tmp",
                                   ".bon_Hm1.dbf.123.tmp", "TloVysHm.dbf"};
  if (as_root) kept.insert(kept.begin() + 3, ".TloVysHm.dbf.777.tmp");
  std::vector<std::string> files = FilesIn(directory_.path());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, kept);
  EXPECT_EQ(FileBytes(victim), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
}

}  // namespace
}  // namespace dbfe::testing
