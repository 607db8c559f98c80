// Moving through a table, inserting, editing and deleting through a cursor.
#include <gtest/gtest.h>

#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

class CursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
    table_ = std::make_unique<OpenTable>(path_);
    ASSERT_EQ(table_->status(), DBFE_OK);
    record_ = table_->NewRecord();
  }

  void AppendRows(std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i) ASSERT_EQ(table_->Append(RowAt(i)), DBFE_OK);
  }

  // The tloustka of the record a move lands on (it is the row's index), or -1.
  double Next() { return Moved(dbfe_get_next_record(cursor(), DBFE_NO_LOCK, record_.data(), nullptr)); }
  double Prior() { return Moved(dbfe_get_prior_record(cursor(), DBFE_NO_LOCK, record_.data(), nullptr)); }
  double Current() { return Moved(dbfe_get_record(cursor(), DBFE_NO_LOCK, record_.data(), nullptr)); }
  double Moved(dbfe_status status) {
    last_status_ = status;
    return status == DBFE_OK ? *table_->Decode(record_).tloustka : -1;
  }
  std::uint32_t Count() {
    std::uint32_t count = 0;
    EXPECT_EQ(dbfe_get_record_count(cursor(), &count), DBFE_OK);
    return count;
  }
  dbfe_cursor cursor() const { return table_->cursor(); }

  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
  std::unique_ptr<OpenTable> table_;
  std::vector<std::uint8_t> record_;
  dbfe_status last_status_ = DBFE_OK;
};

TEST_F(CursorTest, AnEmptyTableIsAtBothEndsAtOnce) {
  EXPECT_EQ(Count(), 0u);
  Next();
  EXPECT_EQ(last_status_, DBFE_ERR_EOF);
  Prior();
  EXPECT_EQ(last_status_, DBFE_ERR_BOF);
  Current();
  EXPECT_EQ(last_status_, DBFE_ERR_BOF);
  EXPECT_EQ(DBFE_CATEGORY(DBFE_ERR_EOF), 0x22);
}

TEST_F(CursorTest, WalksForwardAndBackStoppingAtTheEnds) {
  AppendRows(5);
  ASSERT_EQ(dbfe_set_to_begin(cursor()), DBFE_OK);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Next(), i);
  EXPECT_EQ(Next(), -1);
  EXPECT_EQ(last_status_, DBFE_ERR_EOF);
  EXPECT_EQ(Prior(), 4);
  ASSERT_EQ(dbfe_set_to_end(cursor()), DBFE_OK);
  for (int i = 4; i >= 0; --i) EXPECT_EQ(Prior(), i);
  EXPECT_EQ(Prior(), -1);
  EXPECT_EQ(last_status_, DBFE_ERR_BOF);
  EXPECT_EQ(Next(), 0);
  EXPECT_EQ(Current(), 0);
}

TEST_F(CursorTest, StandsOnTheInsertedRecord) {
  AppendRows(3);
  dbfe_record_props props{};
  EXPECT_EQ(dbfe_get_record(cursor(), DBFE_NO_LOCK, record_.data(), &props), DBFE_OK);
  EXPECT_EQ(table_->Decode(record_), RowAt(2));
  EXPECT_EQ(props.seq_no, 3u);
  EXPECT_EQ(props.phy_rec_no, 3u);
  EXPECT_EQ(Next(), -1);
  EXPECT_EQ(last_status_, DBFE_ERR_EOF);
}

TEST_F(CursorTest, AfterADeleteStandsBetweenTheNeighboursAndSkipsTheDeleted) {
  AppendRows(5);
  ASSERT_EQ(dbfe_set_to_seq_no(cursor(), 3), DBFE_OK);
  EXPECT_EQ(Current(), 2);
  ASSERT_EQ(dbfe_delete_record(cursor()), DBFE_OK);
  EXPECT_EQ(Current(), -1);
  EXPECT_EQ(last_status_, DBFE_ERR_NO_CURRENT_RECORD);
  EXPECT_EQ(dbfe_delete_record(cursor()), DBFE_ERR_NO_CURRENT_RECORD);
  EXPECT_EQ(Next(), 3);
  ASSERT_EQ(dbfe_set_to_seq_no(cursor(), 3), DBFE_OK);  // now the record of row 3
  EXPECT_EQ(Current(), 3);
  ASSERT_EQ(dbfe_delete_record(cursor()), DBFE_OK);
  EXPECT_EQ(Prior(), 1);
  EXPECT_EQ(Count(), 3u);
  ASSERT_EQ(dbfe_set_to_begin(cursor()), DBFE_OK);
  EXPECT_EQ(Next(), 0);
  EXPECT_EQ(Next(), 1);
  EXPECT_EQ(Next(), 4);
  dbfe_record_props props{};
  EXPECT_EQ(dbfe_get_record(cursor(), DBFE_NO_LOCK, nullptr, &props), DBFE_OK);
  EXPECT_EQ(props.seq_no, 3u);
  EXPECT_EQ(props.phy_rec_no, 5u);
}

// Many records in one read are the records as many get-next calls give them.
TEST_F(CursorTest, ReadsRunsOfRecordsAsGetNextWould) {
  AppendRows(40);
  for (int deleted : {0, 7, 8, 39}) {
    ASSERT_EQ(dbfe_set_to_seq_no(cursor(), static_cast<std::uint32_t>(deleted + 1 - (deleted > 0) - (deleted > 7) -
                                                                      (deleted > 8))), DBFE_OK);
    ASSERT_EQ(Current(), deleted);
    ASSERT_EQ(dbfe_delete_record(cursor()), DBFE_OK);
  }
  const std::size_t length = record_.size();
  std::vector<std::uint8_t> records(length * 64);
  std::uint32_t delivered = 99;
  ASSERT_EQ(dbfe_set_to_begin(cursor()), DBFE_OK);
  ASSERT_EQ(dbfe_get_next_records(cursor(), 5, records.data(), &delivered), DBFE_OK);
  EXPECT_EQ(delivered, 5u);
  ASSERT_EQ(dbfe_get_next_records(cursor(), 64, records.data(), &delivered), DBFE_OK);
  ASSERT_EQ(delivered, 31u);  // 36 live, 5 read before
  std::vector<double> seen;
  for (std::uint32_t i = 0; i < delivered; ++i) {
    std::copy_n(records.begin() + static_cast<std::ptrdiff_t>(i * length), length, record_.begin());
    seen.push_back(*table_->Decode(record_).tloustka);
  }
  EXPECT_EQ(seen.front(), 6);
  EXPECT_EQ(seen[1], 9);
  EXPECT_EQ(seen.back(), 38);
  EXPECT_EQ(Current(), 38) << "stands on the last record read";
  EXPECT_EQ(Prior(), 37);
  EXPECT_EQ(dbfe_get_next_records(cursor(), 64, records.data(), &delivered), DBFE_OK);
  EXPECT_EQ(delivered, 1u);
  EXPECT_EQ(dbfe_get_next_records(cursor(), 64, records.data(), &delivered), DBFE_ERR_EOF);
  EXPECT_EQ(delivered, 0u);
}

TEST_F(CursorTest, ReachesAnyRowOfALargeTableBySequenceNumber) {
  AppendRows(32708);
  EXPECT_EQ(Count(), 32708u);
  for (const std::uint32_t seq_no : {32708u, 1u, 16000u, 25103u}) {
    ASSERT_EQ(dbfe_set_to_seq_no(cursor(), seq_no), DBFE_OK);
    EXPECT_EQ(Current(), seq_no - 1);
  }
  EXPECT_EQ(dbfe_set_to_seq_no(cursor(), 32709), DBFE_ERR_EOF);
  EXPECT_EQ(Prior(), 32707);
  EXPECT_EQ(dbfe_set_to_seq_no(cursor(), 0), DBFE_ERR_BOF);
  EXPECT_EQ(Next(), 0);

  // Deleting every third row: sequence numbers count the rows that are left.
  for (std::uint32_t seq_no = 1; seq_no <= Count(); seq_no += 2) {
    ASSERT_EQ(dbfe_set_to_seq_no(cursor(), seq_no), DBFE_OK);
    ASSERT_EQ(dbfe_delete_record(cursor()), DBFE_OK);
  }
  EXPECT_EQ(Count(), 32708u - 10903u);
  ASSERT_EQ(dbfe_set_to_seq_no(cursor(), 1000), DBFE_OK);
  EXPECT_EQ(Current(), 1499);  // rows 1, 2, 4, 5, 7, ... are left

  // A new cursor reads the deletion flags from the file, over 1 MiB of records.
  OpenTable reader(path_, DBFE_READ_ONLY);
  std::uint32_t count = 0;
  ASSERT_EQ(dbfe_get_record_count(reader.cursor(), &count), DBFE_OK);
  EXPECT_EQ(count, 32708u - 10903u);
  for (const std::uint32_t seq_no : {1000u, 10923u, 21805u}) {
    ASSERT_EQ(dbfe_set_to_seq_no(reader.cursor(), seq_no), DBFE_OK);
    dbfe_record_props props{};
    ASSERT_EQ(dbfe_get_record(reader.cursor(), DBFE_NO_LOCK, nullptr, &props), DBFE_OK);
    EXPECT_EQ(props.phy_rec_no, seq_no + (seq_no + 1) / 2);  // the records of rows 1, 2, 4, 5, ...
    EXPECT_EQ(props.seq_no, seq_no);
  }
}

TEST_F(CursorTest, EditsARecordUnderItsLock) {
  AppendRows(3);
  ASSERT_EQ(dbfe_set_to_seq_no(cursor(), 2), DBFE_OK);
  ASSERT_EQ(dbfe_get_record(cursor(), DBFE_WRITE_LOCK, record_.data(), nullptr), DBFE_OK);
  Row changed = RowAt(1);
  changed.hmot = 0.25;
  ASSERT_EQ(table_->Fill(record_, changed), DBFE_OK);

  OpenTable other(path_);
  std::vector<std::uint8_t> other_record = other.NewRecord();
  ASSERT_EQ(dbfe_set_to_seq_no(other.cursor(), 2), DBFE_OK);
  EXPECT_EQ(dbfe_get_record(other.cursor(), DBFE_WRITE_LOCK, other_record.data(), nullptr),
            DBFE_ERR_RECORD_LOCKED);
  EXPECT_EQ(FailureLines(DBFE_ERR_RECORD_LOCKED),
            (std::vector<std::string>{"Record is locked by another user.", "Table: " + path_, "Record: 2"}));
  EXPECT_EQ(dbfe_delete_record(other.cursor()), DBFE_ERR_RECORD_LOCKED);
  EXPECT_EQ(dbfe_modify_record(other.cursor(), other_record.data(), true), DBFE_ERR_RECORD_LOCKED);
  EXPECT_EQ(dbfe_get_record(other.cursor(), DBFE_NO_LOCK, other_record.data(), nullptr), DBFE_OK);

  ASSERT_EQ(dbfe_modify_record(cursor(), record_.data(), true), DBFE_OK);
  EXPECT_EQ(dbfe_release_record_lock(cursor()), DBFE_ERR_NOT_LOCKED);
  ASSERT_EQ(dbfe_get_record(other.cursor(), DBFE_WRITE_LOCK, other_record.data(), nullptr), DBFE_OK);
  EXPECT_EQ(other.Decode(other_record), changed);
  EXPECT_EQ(dbfe_release_record_lock(other.cursor()), DBFE_OK);
  EXPECT_EQ(table_->ReadAll(), (std::vector<Row>{RowAt(0), changed, RowAt(2)}));
}

TEST_F(CursorTest, SeesRecordsThatOthersAppendAndDelete) {
  AppendRows(2);
  OpenTable reader(path_, DBFE_READ_ONLY);
  EXPECT_EQ(reader.ReadAll().size(), 2u);
  AppendRows(3);
  std::uint32_t count = 0;
  EXPECT_EQ(dbfe_get_record_count(reader.cursor(), &count), DBFE_OK);
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(reader.ReadAll().size(), 5u);

  ASSERT_EQ(dbfe_set_to_seq_no(reader.cursor(), 1), DBFE_OK);
  ASSERT_EQ(dbfe_set_to_seq_no(cursor(), 1), DBFE_OK);
  ASSERT_EQ(dbfe_delete_record(cursor()), DBFE_OK);
  EXPECT_EQ(dbfe_get_record(reader.cursor(), DBFE_NO_LOCK, nullptr, nullptr), DBFE_ERR_RECORD_DELETED);
  EXPECT_EQ(reader.ReadAll().size(), 4u);
}

}  // namespace
}  // namespace dbfe::testing
