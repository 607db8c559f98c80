// Several cursors and programs on one table: appends that never interleave,
// a table that cannot be replaced while it is open, record locks.
#include <signal.h>

#include <gtest/gtest.h>

#include <map>

#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

class Concurrency : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK); }

  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
};

TEST_F(Concurrency, AppendsOfTwoProcessesNeverInterleave) {
  constexpr std::uint64_t kRows = 3000;
  constexpr std::uint64_t kSecondFirst = 1000000;
  ChildProcess first({DBFE_TEST_WRITER, "append", path_, "0", std::to_string(kRows)});
  ChildProcess second({DBFE_TEST_WRITER, "append", path_, std::to_string(kSecondFirst), std::to_string(kRows)});
  for (ChildProcess* writer : {&first, &second}) {
    const ProcessResult result = writer->Wait();
    EXPECT_EQ(result.exit_code, 0) << result.output.substr(result.output.rfind("posted"));
  }

  OpenTable table(path_);
  const std::vector<Row> rows = table.ReadAll();
  ASSERT_EQ(rows.size(), 2 * kRows);
  std::map<bool, std::uint64_t> next = {{false, 0}, {true, kSecondFirst}};
  bool switched = false;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto index = static_cast<std::uint64_t>(*rows[i].tloustka);
    const bool of_second = index >= kSecondFirst;
    ASSERT_EQ(rows[i], RowAt(index)) << "record " << i;
    ASSERT_EQ(index, next[of_second]++) << "record " << i << " is out of its writer's order";
    if (i > 0 && of_second != (*rows[i - 1].tloustka >= kSecondFirst)) switched = true;
  }
  EXPECT_TRUE(switched) << "the writers did not overlap; the test proved nothing";
  if (PythonWithDbfread()) {
    EXPECT_EQ(ReadWith("dbfread", path_).records.size(), 2 * kRows);
  }
}

TEST_F(Concurrency, ATableOpenElsewhereCannotBeReplaced) {
  {
    OpenTable table(path_);
    ASSERT_EQ(table.Append(RowAt(0)), DBFE_OK);
  }
  const std::vector<std::uint8_t> before = FileBytes(path_);

  ChildProcess holder({DBFE_TEST_WRITER, "hold", path_});
  ASSERT_TRUE(holder.WaitForOutput("open"));
  const dbfe_status status = CreateHeightDiameterTable(path_);
  EXPECT_EQ(status, DBFE_ERR_TABLE_IN_USE);
  EXPECT_EQ(FailureLines(status),
            (std::vector<std::string>{"Table is in use by another program.", "Table: " + path_}));
  EXPECT_EQ(FileBytes(path_), before);
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});
  holder.Kill(SIGKILL);
  holder.Wait();

  {
    OpenTable reader(path_, DBFE_READ_ONLY);  // another cursor of this program
    EXPECT_EQ(CreateHeightDiameterTable(path_), DBFE_ERR_TABLE_IN_USE);
    OpenTable exclusive(path_, DBFE_READ_WRITE, DBFE_EXCLUSIVE);
    EXPECT_EQ(exclusive.status(), DBFE_ERR_TABLE_IN_USE);
  }
  EXPECT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  EXPECT_TRUE(OpenTable(path_).ReadAll().empty());
}

TEST_F(Concurrency, ATableOpenExclusivelyCannotBeOpenedElsewhere) {
  OpenTable exclusive(path_, DBFE_READ_WRITE, DBFE_EXCLUSIVE);
  ASSERT_EQ(exclusive.status(), DBFE_OK);
  EXPECT_EQ(OpenTable(path_).status(), DBFE_ERR_TABLE_IN_USE);
  EXPECT_EQ(RunProcess({DBFE_TEST_WRITER, "hold", path_}).exit_code, 2);
}

TEST_F(Concurrency, ARecordLockedByAnotherProgramCannotBeEdited) {
  OpenTable table(path_);
  ASSERT_EQ(table.Append(RowAt(0)), DBFE_OK);
  ASSERT_EQ(table.Append(RowAt(1)), DBFE_OK);
  ChildProcess locker({DBFE_TEST_WRITER, "lock", path_, "2"});
  ASSERT_TRUE(locker.WaitForOutput("locked"));

  std::vector<std::uint8_t> record = table.NewRecord();
  ASSERT_EQ(dbfe_set_to_seq_no(table.cursor(), 2), DBFE_OK);
  EXPECT_EQ(dbfe_get_record(table.cursor(), DBFE_WRITE_LOCK, record.data(), nullptr), DBFE_ERR_RECORD_LOCKED);
  EXPECT_EQ(dbfe_delete_record(table.cursor()), DBFE_ERR_RECORD_LOCKED);
  ASSERT_EQ(dbfe_set_to_seq_no(table.cursor(), 1), DBFE_OK);
  EXPECT_EQ(dbfe_get_record(table.cursor(), DBFE_WRITE_LOCK, record.data(), nullptr), DBFE_OK);
  EXPECT_EQ(table.Append(RowAt(2)), DBFE_OK);  // appends are not held up by record locks

  locker.Kill(SIGKILL);
  locker.Wait();
  ASSERT_EQ(dbfe_set_to_seq_no(table.cursor(), 2), DBFE_OK);
  EXPECT_EQ(dbfe_get_record(table.cursor(), DBFE_WRITE_LOCK, record.data(), nullptr), DBFE_OK);
}

}  // namespace
}  // namespace dbfe::testing
