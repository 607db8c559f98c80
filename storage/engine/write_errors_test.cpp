// A full disk (ENOSPC) and a failing one (EIO) at chosen write-type calls:
// every failure is reported with the table and the reason, no record reported
// as posted is lost, and a replaced table stays as it was until the new one
// is complete and in its place.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <tuple>

#include "append_run.h"
#include "os_file.h"
#include "record_codec.h"
#include "table_file.h"
#include "table_replacement.h"
#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

// Write-type calls of this thread fail for the lifetime of the object.
class FailingWrites {
 public:
  FailingWrites(int error_number, int after_calls, bool once = false) {
    FailWritesForTests(error_number, after_calls, once);
  }
  ~FailingWrites() { FailWritesForTests(0, 0); }
  FailingWrites(const FailingWrites&) = delete;
  FailingWrites& operator=(const FailingWrites&) = delete;
};

std::string ErrorName(int error_number) { return error_number == ENOSPC ? "NoSpace" : "InputOutput"; }

// Through the C interface, as programs see it.
class WriteErrors : public ::testing::TestWithParam<int> {
 protected:
  int error() const { return GetParam(); }

  std::vector<std::string> Lines(const char* status_text, const std::string& table) const {
    return {status_text, "Table: " + table, std::strerror(error())};
  }

  void WriteOldTable(std::uint64_t rows) {
    ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
    OpenTable table(path_);
    for (std::uint64_t i = 0; i < rows; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
  }

  std::vector<Row> RowsIn(const std::string& path) {
    OpenTable table(path, DBFE_READ_ONLY);
    EXPECT_EQ(table.status(), DBFE_OK) << path;
    return table.ReadAll();
  }

  static std::vector<Row> Rows(std::uint64_t first, std::uint64_t end) {
    std::vector<Row> rows;
    for (std::uint64_t i = first; i < end; ++i) rows.push_back(RowAt(i));
    return rows;
  }

  // Fails each write-type call of `replace` in turn (after `prepare`, which
  // may write freely), every call from it on and it alone, until `replace`
  // meets none. Before the rename, a failure leaves the old table as it was;
  // after it, the table is replaced by one holding `new_rows`, with a warning.
  // Nothing hidden is left either way.
  void FailEachCallOf(const std::function<void()>& prepare, const std::function<dbfe_status()>& replace,
                      const std::vector<Row>& new_rows) {
    for (const bool once : {false, true}) {
      int failed_before_rename = 0;
      int call = 0;
      for (;; ++call) {
        SCOPED_TRACE("call " + std::to_string(call) + (once ? " once" : " on"));
        ASSERT_LT(call, 20) << "a replacement makes a handful of write-type calls";
        prepare();
        const bool had_table = ::access(path_.c_str(), F_OK) == 0;
        const std::vector<std::uint8_t> before = FileBytes(path_);
        dbfe_status status;
        {
          const FailingWrites failing(error(), call, once);
          status = replace();
        }
        if (status == DBFE_OK) break;
        if (status == DBFE_WARN_NOT_DURABLE) {
          EXPECT_EQ(FailureLines(status),
                    Lines("Table was replaced, but a system crash may undo it.", path_));
          EXPECT_EQ(RowsIn(path_), new_rows);
          EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});
          continue;
        }
        ++failed_before_rename;
        EXPECT_EQ(status, DBFE_ERR_CREATE_FAILED);
        EXPECT_EQ(FailureLines(status), Lines("Cannot create the table file.", path_));
        EXPECT_EQ(FileBytes(path_), before);
        EXPECT_EQ(FilesIn(directory_.path()),
                  had_table ? std::vector<std::string>{"TloVysHm.dbf"} : std::vector<std::string>{});
      }
      // Every call but the last comes before the rename: the directory's sync.
      EXPECT_EQ(failed_before_rename, call - 1);
      EXPECT_GE(failed_before_rename, 1);
    }
  }

  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
};

INSTANTIATE_TEST_SUITE_P(EachError, WriteErrors, ::testing::Values(ENOSPC, EIO),
                         [](const auto& info) { return ErrorName(info.param); });

// The file grows in steps: the failure meets the first, second or third.
TEST_P(WriteErrors, AnInsertThatMeetsItFailsAndKeepsEveryPostedRecord) {
  constexpr std::uint64_t kOldRows = 10;
  constexpr std::uint64_t kMostRows = 20000;
  for (const int after_calls : {0, 1, 2}) {
    SCOPED_TRACE("after " + std::to_string(after_calls) + " calls");
    WriteOldTable(kOldRows);
    const std::uint64_t header_and_old_rows = FileBytes(path_).size() - 1;
    std::uint64_t posted = kOldRows;
    {
      OpenTable table(path_);
      const FailingWrites failing(error(), after_calls);
      dbfe_status status = DBFE_OK;
      for (; posted < kMostRows && (status = table.Append(RowAt(posted))) == DBFE_OK; ++posted) {
      }
      ASSERT_EQ(status, DBFE_ERR_WRITE_FAILED);
      EXPECT_EQ(FailureLines(status), Lines("Cannot write to the table file.", path_));
      // Neither the cut of the spare bytes nor the sync can be done.
      EXPECT_EQ(table.Close(), DBFE_ERR_WRITE_FAILED);
    }
    EXPECT_EQ(RowsIn(path_), Rows(0, posted));
    if (PythonWithDbfread() && HaveGdal()) {
      EXPECT_EQ(ReadWith("dbfread", path_).records.size(), posted);
      EXPECT_EQ(ReadWith("gdal", path_).records.size(), posted);
    }
    // The next writer goes on from there and leaves nothing after its record.
    {
      OpenTable table(path_);
      ASSERT_EQ(table.Append(RowAt(posted)), DBFE_OK);
      ASSERT_EQ(table.Close(), DBFE_OK);
    }
    EXPECT_EQ(RowsIn(path_), Rows(0, posted + 1));
    EXPECT_EQ(FileBytes(path_).size(), header_and_old_rows + (posted + 1 - kOldRows) * 64 + 1);
  }
}

TEST_P(WriteErrors, ASyncThatMeetsItFailsTheClose) {
  WriteOldTable(10);
  OpenTable table(path_);
  for (std::uint64_t i = 10; i < 15; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
  std::uint32_t count = 0;
  // Ends the run of inserts, and with it the cut of the file, before the failure.
  ASSERT_EQ(dbfe_get_record_count(table.cursor(), &count), DBFE_OK);
  {
    const FailingWrites failing(error(), 0);
    const dbfe_status status = table.Close();
    EXPECT_EQ(status, DBFE_ERR_WRITE_FAILED);
    EXPECT_EQ(FailureLines(status), Lines("Cannot write to the table file.", path_));
  }
  EXPECT_EQ(RowsIn(path_), Rows(0, 15));
}

TEST_P(WriteErrors, ACreationThatMeetsItLeavesTheOldTableOrNone) {
  for (const bool old_table : {true, false}) {
    SCOPED_TRACE(old_table ? "over an old table" : "where there was none");
    FailEachCallOf(
        [&] {
          if (old_table) {
            WriteOldTable(20);
          } else {
            std::remove(path_.c_str());
          }
        },
        [&] { return CreateHeightDiameterTable(path_, old_table); }, {});
    if (::testing::Test::HasFailure()) return;
  }
}

TEST_P(WriteErrors, ACommitThatMeetsItLeavesTheOldTableUntilTheNewOneIsInPlace) {
  dbfe_replacement replacement = nullptr;
  FailEachCallOf(
      [&] {
        WriteOldTable(20);
        std::string new_path;
        ASSERT_EQ(BeginHeightDiameterReplacement(path_, replacement, new_path), DBFE_OK);
        OpenTable table(new_path);
        for (std::uint64_t i = 100; i < 130; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
        ASSERT_EQ(table.Close(), DBFE_OK);
      },
      [&] { return dbfe_commit_replacement(&replacement); }, Rows(100, 130));
  EXPECT_EQ(replacement, nullptr);
}

TEST_P(WriteErrors, ABeginThatMeetsItLeavesTheOldTable) {
  WriteOldTable(20);
  const std::vector<std::uint8_t> before = FileBytes(path_);
  dbfe_replacement replacement = nullptr;
  std::string new_path;
  {
    const FailingWrites failing(error(), 0);
    const dbfe_status status = BeginHeightDiameterReplacement(path_, replacement, new_path);
    EXPECT_EQ(status, DBFE_ERR_CREATE_FAILED);
    EXPECT_EQ(FailureLines(status), Lines("Cannot create the table file.", path_));
  }
  EXPECT_EQ(replacement, nullptr);
  EXPECT_EQ(FileBytes(path_), before);
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});
}

TEST_P(WriteErrors, AFillingThatMeetsItIsDroppedAndTheOldTableStays) {
  WriteOldTable(20);
  const std::vector<std::uint8_t> before = FileBytes(path_);
  dbfe_replacement replacement = nullptr;
  std::string new_path;
  ASSERT_EQ(BeginHeightDiameterReplacement(path_, replacement, new_path), DBFE_OK);
  {
    OpenTable table(new_path);
    const FailingWrites failing(error(), 1);
    dbfe_status status = DBFE_OK;
    for (std::uint64_t i = 0; i < 20000 && (status = table.Append(RowAt(i))) == DBFE_OK; ++i) {
    }
    EXPECT_EQ(status, DBFE_ERR_WRITE_FAILED);
    EXPECT_EQ(FailureLines(status), Lines("Cannot write to the table file.", new_path));
    EXPECT_EQ(table.Close(), DBFE_ERR_WRITE_FAILED);
  }
  EXPECT_EQ(dbfe_drop_replacement(&replacement), DBFE_OK);
  EXPECT_EQ(FileBytes(path_), before);
  EXPECT_EQ(FilesIn(directory_.path()), std::vector<std::string>{"TloVysHm.dbf"});
}

// A change reported as failed changes no record, whichever of its writes
// meets the failure.
TEST_P(WriteErrors, AChangeThatMeetsItLeavesTheRecordAsItWas) {
  WriteOldTable(3);
  for (const bool deleting : {false, true}) {
    for (const bool once : {false, true}) {
      int call = 0;
      for (;; ++call) {
        SCOPED_TRACE(std::string(deleting ? "delete" : "modify") + ", call " + std::to_string(call) +
                     (once ? " once" : " on"));
        ASSERT_LT(call, 10);
        dbfe_status status;
        {
          OpenTable table(path_);
          std::vector<std::uint8_t> record = table.NewRecord();
          ASSERT_EQ(dbfe_set_to_begin(table.cursor()), DBFE_OK);
          ASSERT_EQ(dbfe_get_next_record(table.cursor(), DBFE_NO_LOCK, record.data(), nullptr), DBFE_OK);
          ASSERT_EQ(table.Fill(record, RowAt(7)), DBFE_OK);
          {
            const FailingWrites failing(error(), call, once);
            status = deleting ? dbfe_delete_record(table.cursor())
                              : dbfe_modify_record(table.cursor(), record.data(), true);
          }
          if (status != DBFE_OK) {
            EXPECT_EQ(status, DBFE_ERR_WRITE_FAILED);
            EXPECT_EQ(FailureLines(status), Lines("Cannot write to the table file.", path_));
          }
          ASSERT_EQ(table.Close(), DBFE_OK);
        }
        if (status == DBFE_OK) {
          WriteOldTable(3);
          break;
        }
        EXPECT_EQ(RowsIn(path_), Rows(0, 3));
      }
      EXPECT_GE(call, 1) << "the seam saw the change's writes";
    }
  }
}

// Below the C interface, where the run of inserts is the test's alone (no
// thread ends it), so that each of its write-type calls can be failed in turn:
// through write calls, and through a mapping of a file grown ahead; the call
// alone failing (the append may then succeed, or fail and the next go on), and
// every call from it on.
enum class Medium { kWrites, kMapping };

class WriteErrorsInARun : public ::testing::TestWithParam<std::tuple<int, Medium, bool>> {
 protected:
  int error() const { return std::get<0>(GetParam()); }
  Medium medium() const { return std::get<1>(GetParam()); }
  bool once() const { return std::get<2>(GetParam()); }

  void CreateTable() {
    ASSERT_FALSE(TableReplacement(path_, layout_, true).Commit().has_value());
    fd_ = FileDescriptor(::open(path_.c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_TRUE(fd_.valid());
  }

  AppendRun NewRun() {
    return AppendRun(fd_.get(), path_, {}, layout_, {.shared = true, .map_tail = medium() == Medium::kMapping});
  }

  std::vector<std::uint8_t> Record(std::uint32_t number) {
    std::vector<std::uint8_t> record(layout_.record_length);
    BlankRecord(record);
    PutString(record, layout_.fields[0], number % 2 ? "SM " : "BO ");
    const double value = number;
    PutNumber(record, layout_.fields[1], &value);
    return record;
  }

  // The numbers of the records the table holds, read by the engine.
  std::vector<std::uint32_t> RecordNumbers() {
    TableFile table = TableFile::Open(path_, DBFE_READ_ONLY, DBFE_SHARED);
    std::vector<std::uint32_t> numbers;
    std::vector<std::uint8_t> record(layout_.record_length);
    for (std::uint32_t r = 0; r < table.record_count(); ++r) {
      table.ReadRecord(r, record);
      double value = 0;
      EXPECT_FALSE(GetNumber(record, layout_.fields[1], &value));
      numbers.push_back(static_cast<std::uint32_t>(value));
      EXPECT_EQ(record, Record(numbers.back())) << "record " << r;
    }
    return numbers;
  }

  // The byte after the counted records: the end marker, unless a failure
  // also kept the rollback from putting it back.
  std::uint8_t ByteAfterRecords() {
    const TableFile table = TableFile::Open(path_, DBFE_READ_ONLY, DBFE_SHARED);
    const std::vector<std::uint8_t> byte = FileBytesAt(path_, layout_.RecordOffset(table.record_count()), 1);
    return byte.empty() ? 0 : byte[0];
  }

  // Enough records to make several write-type calls: a few through write
  // calls, several growths of the file through the mapping.
  std::uint32_t Records() const { return medium() == Medium::kMapping ? 30000 : 3; }

  ScratchDirectory directory_;
  std::string path_ = directory_ / "t.dbf";
  TableLayout layout_ = NewTableLayout({{"drevina", 'C', 3, 0, 0}, {"hmot", 'N', 20, 10, 0}});
  FileDescriptor fd_;
};

INSTANTIATE_TEST_SUITE_P(EachCase, WriteErrorsInARun,
                         ::testing::Combine(::testing::Values(ENOSPC, EIO),
                                            ::testing::Values(Medium::kWrites, Medium::kMapping),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return ErrorName(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) == Medium::kMapping ? "Mapping" : "Writes") +
                                  (std::get<2>(info.param) ? "Once" : "FromThenOn");
                         });

TEST_P(WriteErrorsInARun, KeepEveryAppendedRecordAndReportEveryFailure) {
  int call = 0;
  for (;; ++call) {
    SCOPED_TRACE("call " + std::to_string(call));
    ASSERT_LT(call, 100);
    CreateTable();
    std::vector<std::uint32_t> appended;
    int failures = 0;
    int cut_error = 0;
    int calls = 0;
    {
      const FailingWrites failing(error(), call, once());
      AppendRun run = NewRun();
      for (std::uint32_t number = 0; number < Records(); ++number) {
        try {
          const std::uint32_t count = static_cast<std::uint32_t>(appended.size());
          ASSERT_EQ(run.Append(Record(number), count), count);
          appended.push_back(number);
        } catch (const EngineError& failure) {
          ++failures;
          EXPECT_EQ(failure.status(), DBFE_ERR_WRITE_FAILED);
          ASSERT_EQ(failure.entries().size(), 2u);
          EXPECT_EQ(failure.entries()[0].text, "Table: " + path_);
          EXPECT_EQ(failure.entries()[1].native_code, error());
          EXPECT_EQ(failure.entries()[1].text, std::strerror(error()));
          if (!once()) break;
        }
      }
      run.End();
      cut_error = run.TakeCutError();
      calls = WriteCallsForTests();
    }
    EXPECT_TRUE(cut_error == 0 || cut_error == error()) << cut_error;
    EXPECT_EQ(RecordNumbers(), appended);
    if (once()) {
      EXPECT_EQ(ByteAfterRecords(), kEndOfFile);
    } else {
      // Where not even the rollback can write, as a kill between the reveal
      // and the count leaves it: readers that trust the count see the same.
      EXPECT_TRUE(ByteAfterRecords() == kEndOfFile || ByteAfterRecords() == kLiveFlag);
    }
    if (calls <= call) {
      EXPECT_EQ(failures + (cut_error != 0), 0) << "no call failed";
      break;
    }
    // A failure that nothing else could work around is reported.
    if (!once()) {
      EXPECT_TRUE(failures == 1 || cut_error != 0);
    } else if (medium() == Medium::kWrites) {
      EXPECT_EQ(failures, 1);
    }

    // The next run goes on from there, and cuts what this one left.
    AppendRun next = NewRun();
    const std::uint32_t count = static_cast<std::uint32_t>(appended.size());
    ASSERT_EQ(next.Append(Record(Records()), count), count);
    next.End();
    EXPECT_EQ(next.TakeCutError(), 0);
    appended.push_back(Records());
    EXPECT_EQ(RecordNumbers(), appended);
    EXPECT_EQ(FileBytes(path_).size(), layout_.RecordOffset(count + 1) + 1);
  }
  // Each record through write calls; the growths of the file and the cut.
  EXPECT_GE(call, 4) << "the seam saw the calls";
}

}  // namespace
}  // namespace dbfe::testing
