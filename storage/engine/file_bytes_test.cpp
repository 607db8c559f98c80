// The exact bytes of the files the engine writes, so that no format slip can hide.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> Descriptor(const std::string& name, char type, int width, int decimals) {
  std::vector<std::uint8_t> d(32, 0);
  std::copy(name.begin(), name.end(), d.begin());
  d[11] = static_cast<std::uint8_t>(type);
  d[16] = static_cast<std::uint8_t>(width);
  d[17] = static_cast<std::uint8_t>(decimals);
  return d;
}

std::vector<std::uint8_t> ExpectedHeader(const std::vector<std::uint8_t>& file, std::uint8_t records) {
  // The date is today's; take it from the file after checking it is today's.
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  EXPECT_EQ(file.at(1), today.tm_year);
  EXPECT_EQ(file.at(2), today.tm_mon + 1);
  EXPECT_EQ(file.at(3), today.tm_mday);
  const std::uint8_t start[] = {0x03, file[1], file[2], file[3], records, 0, 0, 0,
                                161,  0,       64,      0};  // header 161, record 64 bytes
  std::vector<std::uint8_t> header(32, 0);
  std::copy(std::begin(start), std::end(start), header.begin());
  header[29] = 0x03;  // language driver: Windows ANSI, code page 1252
  for (const auto& d : {Descriptor("drevina", 'C', 3, 0), Descriptor("tloustka", 'N', 20, 10),
                        Descriptor("vyska", 'N', 20, 10), Descriptor("hmot", 'N', 20, 10)}) {
    header.insert(header.end(), d.begin(), d.end());
  }
  header.push_back(0x0D);
  return header;
}

class FileBytes : public ::testing::Test {
 protected:
  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
};

TEST_F(FileBytes, OfAnEmptyTableAreTheHeaderAndTheEndMarker) {
  ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  const std::vector<std::uint8_t> file = testing::FileBytes(path_);
  std::vector<std::uint8_t> expected = ExpectedHeader(file, 0);
  expected.push_back(0x1A);
  EXPECT_EQ(file, expected);

  // A FoxPro table without memo has the same layout and version byte.
  const std::string foxpro = directory_ / "bon_Hm1.dbf";
  ASSERT_EQ(CreateHeightDiameterTable(foxpro, true, "FOXPRO"), DBFE_OK);
  EXPECT_EQ(testing::FileBytes(foxpro), expected);
}

TEST_F(FileBytes, OfATableWithTwoRows) {
  ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  {
    OpenTable table(path_);
    ASSERT_EQ(table.Append({"SM ", 12.0, 27.3, std::nullopt}), DBFE_OK);
    ASSERT_EQ(table.Append({"XXX", -0.15, 1.5e300, -123456789012345e-99}), DBFE_OK);
    ASSERT_EQ(table.Close(), DBFE_OK);
  }
  const std::vector<std::uint8_t> file = testing::FileBytes(path_);
  std::vector<std::uint8_t> expected = ExpectedHeader(file, 2);
  for (const std::string& record :
       {std::string(" SM ") + "                  12" + "                27.3" + std::string(20, ' '),
        std::string(" XXX") + "               -0.15" + "             1.5e300" + "-123456789012345e-99"}) {
    const auto bytes = Bytes(record);
    expected.insert(expected.end(), bytes.begin(), bytes.end());
  }
  expected.push_back(0x1A);
  EXPECT_EQ(file, expected);
}

TEST_F(FileBytes, OfTextAreWindows1252ThroughATranslatingCursorAndAsGivenOtherwise) {
  ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  {
    OpenTable table(path_);
    ASSERT_EQ(table.Append({"ŘŽŠ", 1.0, std::nullopt, std::nullopt}), DBFE_OK);
    ASSERT_EQ(table.Append({"ěů€", 2.0, std::nullopt, std::nullopt}), DBFE_OK);
    ASSERT_EQ(table.Close(), DBFE_OK);
  }
  dbfe_database database = nullptr;
  dbfe_cursor raw = nullptr;
  ASSERT_EQ(dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database), DBFE_OK);
  ASSERT_EQ(dbfe_open_table(database, path_.c_str(), "DBASE", nullptr, DBFE_READ_WRITE, DBFE_SHARED, false, true, &raw),
            DBFE_OK);
  std::vector<std::uint8_t> record(64);
  ASSERT_EQ(dbfe_init_record(raw, record.data()), DBFE_OK);
  ASSERT_EQ(dbfe_put_field(raw, 1, record.data(), "Ř"), DBFE_OK);
  ASSERT_EQ(dbfe_insert_record(raw, DBFE_NO_LOCK, record.data()), DBFE_OK);
  ASSERT_EQ(dbfe_close_cursor(&raw), DBFE_OK);
  ASSERT_EQ(dbfe_close_database(&database), DBFE_OK);

  const std::vector<std::uint8_t> file = testing::FileBytes(path_);
  std::vector<std::uint8_t> expected = ExpectedHeader(file, 3);
  const std::string two_nulls(40, ' ');
  for (const std::string& record :
       {" R\x8E\x8A" + std::string("                   1") + two_nulls,
        " eu\x80" + std::string("                   2") + two_nulls,
        " \xC5\x98 " + std::string(60, ' ')}) {
    const auto bytes = Bytes(record);
    expected.insert(expected.end(), bytes.begin(), bytes.end());
  }
  expected.push_back(0x1A);
  EXPECT_EQ(file, expected);
}

TEST_F(FileBytes, AreTheSameWhenTheTableIsOpenExclusively) {
  const std::string shared = directory_ / "shared.dbf";
  for (const std::string& path : {shared, path_}) {
    ASSERT_EQ(CreateHeightDiameterTable(path), DBFE_OK);
    OpenTable table(path, DBFE_READ_WRITE, path == shared ? DBFE_SHARED : DBFE_EXCLUSIVE);
    for (std::uint64_t i = 0; i < 100; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
  }
  EXPECT_EQ(testing::FileBytes(path_), testing::FileBytes(shared));
}

TEST_F(FileBytes, MarkADeletedRecordInPlace) {
  ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  OpenTable table(path_);
  ASSERT_EQ(table.Append(RowAt(0)), DBFE_OK);
  ASSERT_EQ(table.Append(RowAt(1)), DBFE_OK);
  // Any other operation ends the run of inserts, which cuts the space that
  // the run allocated ahead.
  ASSERT_EQ(dbfe_get_record(table.cursor(), DBFE_NO_LOCK, nullptr, nullptr), DBFE_OK);
  const std::vector<std::uint8_t> before = testing::FileBytes(path_);
  EXPECT_EQ(before.size(), 161u + 2 * 64 + 1);
  ASSERT_EQ(dbfe_delete_record(table.cursor()), DBFE_OK);
  std::vector<std::uint8_t> expected = before;
  expected[161 + 64] = '*';
  EXPECT_EQ(testing::FileBytes(path_), expected);
}

TEST_F(FileBytes, DuringARunOfInsertsAreTheRecordsAndZerosAfterTheMarker) {
  ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  std::vector<std::uint8_t> closed;
  {
    OpenTable table(path_, DBFE_READ_WRITE, DBFE_EXCLUSIVE);
    for (std::uint64_t i = 0; i < 100; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
    ASSERT_EQ(table.Close(), DBFE_OK);
    closed = testing::FileBytes(path_);
    ASSERT_EQ(closed.size(), 161u + 100 * 64 + 1);
  }
  ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  OpenTable table(path_);
  for (std::uint64_t i = 0; i < 100; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
  // The reaper may already have ended the run; the bytes are the same up to
  // the marker either way, and nothing but zeros follows it.
  std::vector<std::uint8_t> open = testing::FileBytes(path_);
  ASSERT_GE(open.size(), closed.size());
  EXPECT_TRUE(std::all_of(open.begin() + closed.size(), open.end(), [](std::uint8_t b) { return b == 0; }));
  open.resize(closed.size());
  EXPECT_EQ(open, closed);
  ASSERT_EQ(table.Close(), DBFE_OK);
  EXPECT_EQ(testing::FileBytes(path_), closed);
}

}  // namespace
}  // namespace dbfe::testing
