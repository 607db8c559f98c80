// A directory that cannot be synced after a commit's rename: the table has
// been replaced, so the commit succeeds with a warning that says so and why,
// instead of a failure that would claim the old table is still there.
#include <cerrno>

#include <gtest/gtest.h>

#include "os_file.h"
#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

// Directory syncs fail with EIO for the lifetime of the object.
class FailingDirectorySyncs {
 public:
  FailingDirectorySyncs() { FailDirectorySyncsForTests(EIO); }
  ~FailingDirectorySyncs() { FailDirectorySyncsForTests(0); }
  FailingDirectorySyncs(const FailingDirectorySyncs&) = delete;
  FailingDirectorySyncs& operator=(const FailingDirectorySyncs&) = delete;
};

class DirectorySync : public ::testing::Test {
 protected:
  void WriteOldTable(std::uint64_t rows) {
    ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
    OpenTable table(path_);
    for (std::uint64_t i = 0; i < rows; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
  }

  std::size_t RowsIn(const std::string& path) {
    OpenTable table(path, DBFE_READ_ONLY);
    EXPECT_EQ(table.status(), DBFE_OK) << path;
    return table.ReadAll().size();
  }

  std::vector<std::string> NotDurableLines() const {
    return {"Table was replaced, but a system crash may undo it.", "Table: " + path_,
            "Input/output error"};
  }

  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
};

TEST_F(DirectorySync, ReportsTheOperatingSystemsAnswer) {
  EXPECT_EQ(SyncDirectory(directory_.path()), 0);
  EXPECT_EQ(SyncDirectory(directory_ / "missing"), ENOENT);
  const FailingDirectorySyncs failing;
  EXPECT_EQ(SyncDirectory(directory_.path()), EIO);
}

TEST_F(DirectorySync, FailingAfterACommitsRenameWarnsThatTheTableWasReplaced) {
  WriteOldTable(20);
  dbfe_replacement replacement = nullptr;
  std::string new_path;
  ASSERT_EQ(BeginHeightDiameterReplacement(path_, replacement, new_path), DBFE_OK);
  {
    OpenTable table(new_path);
    for (std::uint64_t i = 0; i < 3; ++i) ASSERT_EQ(table.Append(RowAt(100 + i)), DBFE_OK);
  }
  const FailingDirectorySyncs failing;
  const dbfe_status status = dbfe_commit_replacement(&replacement);
  EXPECT_EQ(status, DBFE_WARN_NOT_DURABLE);
  EXPECT_EQ(FailureLines(status), NotDurableLines());
  EXPECT_EQ(replacement, nullptr);
  EXPECT_EQ(RowsIn(path_), 3u);
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});
}

TEST_F(DirectorySync, FailingAfterACreateWarnsThatTheTableIsThere) {
  {
    const FailingDirectorySyncs failing;
    const dbfe_status status = CreateHeightDiameterTable(path_, false);
    EXPECT_EQ(status, DBFE_WARN_NOT_DURABLE);
    EXPECT_EQ(FailureLines(status), NotDurableLines());
  }
  EXPECT_EQ(RowsIn(path_), 0u);
  WriteOldTable(5);
  {
    const FailingDirectorySyncs failing;
    EXPECT_EQ(CreateHeightDiameterTable(path_, true), DBFE_WARN_NOT_DURABLE);
  }
  EXPECT_EQ(RowsIn(path_), 0u);
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});
}

TEST_F(DirectorySync, DoesNotMaskAFailureBeforeTheRename) {
  WriteOldTable(4);
  const FailingDirectorySyncs failing;
  EXPECT_EQ(CreateHeightDiameterTable(path_, false), DBFE_ERR_TABLE_EXISTS);
  dbfe_replacement replacement = nullptr;
  std::string new_path;
  ASSERT_EQ(BeginHeightDiameterReplacement(path_, replacement, new_path), DBFE_OK);
  OpenTable still_open(new_path);
  EXPECT_EQ(dbfe_commit_replacement(&replacement), DBFE_ERR_TABLE_IN_USE);
  EXPECT_EQ(RowsIn(path_), 4u);
}

}  // namespace
}  // namespace dbfe::testing
