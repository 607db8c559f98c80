// Several cursors and programs on one table: appends that never interleave,
// runs of inserts that give way to waiters and end when idle, a bounded wait
// for the append lock, a table that cannot be replaced while it is open,
// record locks.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "append_lock.h"
#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

class Concurrency : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK); }

  // Whether the writer waits for the append lock: a waiter shows its sign.
  static bool Waits(const ChildProcess& writer) { return ProcessLocksByte(writer.pid(), kWaitingOffset); }

  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
};

// Each writer appends long enough to hold the lock through several runs. The
// test holds the lock until both wait for it, so that whichever gets it first
// has the other waiting from the start and gives way after 50 ms, and so on.
TEST_F(Concurrency, AppendsOfTwoProcessesNeverInterleave) {
  constexpr std::uint64_t kRows = 150000;
  constexpr std::uint64_t kSecondFirst = 1000000;
  auto lock = std::make_optional<ByteLock>(path_, kAppendLockOffset);
  ChildProcess first({DBFE_TEST_WRITER, "append-every", path_, "0", std::to_string(kRows), "1000"});
  ChildProcess second({DBFE_TEST_WRITER, "append-every", path_, std::to_string(kSecondFirst), std::to_string(kRows), "1000"});
  ASSERT_TRUE(WaitUntil([&] { return Waits(first) && Waits(second); }));
  lock.reset();
  for (ChildProcess* writer : {&first, &second}) {
    const ProcessResult result = writer->Wait();
    EXPECT_EQ(result.exit_code, 0) << result.output.substr(result.output.rfind("posted"));
  }

  OpenTable table(path_);
  const std::vector<Row> rows = table.ReadAll();
  ASSERT_EQ(rows.size(), 2 * kRows);
  std::map<bool, std::uint64_t> next = {{false, 0}, {true, kSecondFirst}};
  int switches = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto index = static_cast<std::uint64_t>(*rows[i].tloustka);
    const bool of_second = index >= kSecondFirst;
    ASSERT_EQ(rows[i], RowAt(index)) << "record " << i;
    ASSERT_EQ(index, next[of_second]++) << "record " << i << " is out of its writer's order";
    if (i > 0 && of_second != (*rows[i - 1].tloustka >= kSecondFirst)) ++switches;
  }
  EXPECT_GE(switches, 2) << "the writers did not take turns; the test proved little";
  EXPECT_EQ(FileBytes(path_).size(), 161 + 2 * kRows * 64 + 1);
  if (HaveGdal()) {
    EXPECT_EQ(ReadWith("gdal", path_).records.size(), 2 * kRows);
  }
}

TEST_F(Concurrency, AnInsertWaitsForAnotherProgramsAppendLock) {
  const std::vector<std::uint8_t> before = FileBytes(path_);
  ChildProcess holder({DBFE_TEST_WRITER, "hold-append-lock", path_, "0"});
  ASSERT_TRUE(holder.WaitForOutput("locked"));
  ChildProcess writer({DBFE_TEST_WRITER, "append", path_, "0", "1"});
  ASSERT_TRUE(WaitUntil([&] { return Waits(writer); }));
  EXPECT_EQ(FileBytes(path_), before);  // it waits instead of passing the lock
  holder.Kill(SIGKILL);
  holder.Wait();
  const ProcessResult result = writer.Wait();
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(OpenTable(path_).ReadAll(), std::vector<Row>{RowAt(0)});
}

TEST_F(Concurrency, ChangesGiveUpWhenTheAppendLockIsHeldLongerThanTheyWait) {
  {
    OpenTable table(path_);
    ASSERT_EQ(table.Append(RowAt(0)), DBFE_OK);
  }
  const std::vector<std::uint8_t> before = FileBytes(path_);
  ChildProcess holder({DBFE_TEST_WRITER, "hold-append-lock", path_, "0"});
  ASSERT_TRUE(holder.WaitForOutput("locked"));

  OpenTable table(path_);
  ASSERT_EQ(dbfe_set_cursor_property(table.cursor(), DBFE_PROP_LOCK_WAIT, 200), DBFE_OK);
  EXPECT_EQ(dbfe_set_cursor_property(table.cursor(), DBFE_PROP_LOCK_WAIT, 3600001), DBFE_ERR_INVALID_PARAMETER);
  const dbfe_status status = table.Append(RowAt(1));
  EXPECT_EQ(status, DBFE_ERR_TABLE_LOCKED);
  EXPECT_EQ(FailureLines(status),
            (std::vector<std::string>{"Table is locked by another program.", "Table: " + path_}));
  std::vector<std::uint8_t> record = table.NewRecord();
  ASSERT_EQ(dbfe_get_next_record(table.cursor(), DBFE_NO_LOCK, record.data(), nullptr), DBFE_OK);
  EXPECT_EQ(dbfe_modify_record(table.cursor(), record.data(), true), DBFE_ERR_TABLE_LOCKED);
  EXPECT_EQ(dbfe_delete_record(table.cursor()), DBFE_ERR_TABLE_LOCKED);
  EXPECT_EQ(FileBytes(path_), before);  // neither the insert nor the changes touched it

  holder.Kill(SIGKILL);
  holder.Wait();
  EXPECT_EQ(table.Append(RowAt(1)), DBFE_OK);
  EXPECT_EQ(table.ReadAll(), (std::vector<Row>{RowAt(0), RowAt(1)}));
}

TEST_F(Concurrency, AnIdleWriterLetsOtherProgramsAppendAndLeavesTheFileExact) {
  ChildProcess idle({DBFE_TEST_WRITER, "append-and-wait", path_, "0", "10"});
  ASSERT_TRUE(idle.WaitForOutput("appended"));
  // Its run ends by itself soon after its last insert, though it keeps the
  // table open; the end cuts the file before it frees the lock.
  ASSERT_TRUE(WaitUntil([&] { return !ByteLockedElsewhere(path_, kAppendLockOffset); }));
  EXPECT_EQ(FileBytes(path_).size(), 161 + 10 * 64 + 1);
  {
    OpenTable table(path_);
    ASSERT_EQ(dbfe_set_cursor_property(table.cursor(), DBFE_PROP_LOCK_WAIT, 0), DBFE_OK);
    for (std::uint64_t i = 10; i < 20; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
  }
  idle.Kill(SIGKILL);
  idle.Wait();
  std::vector<Row> expected;
  for (std::uint64_t i = 0; i < 20; ++i) expected.push_back(RowAt(i));
  EXPECT_EQ(OpenTable(path_).ReadAll(), expected);
  EXPECT_EQ(FileBytes(path_).size(), 161 + 20 * 64 + 1);
}

// A cursor of the same thread cannot end its run while this one waits, so an
// insert ends it at once: no waiting at all, not even with a wait of 0.
TEST_F(Concurrency, CursorsOfOneThreadTakeTurnsWithoutWaiting) {
  OpenTable one(path_);
  OpenTable other(path_);
  for (OpenTable* table : {&one, &other}) {
    ASSERT_EQ(dbfe_set_cursor_property(table->cursor(), DBFE_PROP_LOCK_WAIT, 0), DBFE_OK);
  }
  std::vector<Row> expected;
  for (std::uint64_t i = 0; i < 200; ++i) {
    ASSERT_EQ((i % 2 ? other : one).Append(RowAt(i)), DBFE_OK) << "row " << i;
    expected.push_back(RowAt(i));
  }
  EXPECT_EQ(one.ReadAll(), expected);
  EXPECT_EQ(other.ReadAll(), expected);
}

// A child inherits the cursor, its run and its lock; closing the cursor there
// must neither cut the file under the parent's mapping nor drop its lock.
TEST_F(Concurrency, AForkedChildLeavesTheParentsRunAlone) {
  OpenTable table(path_);
  for (std::uint64_t i = 0; i < 10; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
  const pid_t child = ::fork();
  if (child == 0) {
    dbfe_cursor cursor = table.cursor();
    ::_exit(dbfe_close_cursor(&cursor) == DBFE_OK ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::vector<Row> expected;
  for (std::uint64_t i = 0; i < 10; ++i) expected.push_back(RowAt(i));
  for (std::uint64_t i = 10; i < 10000; ++i) {
    ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
    expected.push_back(RowAt(i));
  }
  ASSERT_EQ(table.Close(), DBFE_OK);
  EXPECT_EQ(OpenTable(path_).ReadAll(), expected);
  EXPECT_EQ(FileBytes(path_).size(), 161 + 10000 * 64 + 1);
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
