// Malformed, truncated and hostile files: an error status on open or read,
// never a crash, a hang or a read outside the file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "file_layout.h"
#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

class HostileFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
    {
      OpenTable table(path_);
      for (std::uint64_t i = 0; i < 3; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
    }
    good_ = FileBytes(path_);  // header 161 bytes, records of 64, marker
  }

  // The status of opening the file after `change`, and its error lines.
  template <typename Change>
  std::pair<dbfe_status, std::vector<std::string>> OpenAfter(Change change) {
    std::vector<std::uint8_t> bytes = good_;
    change(bytes);
    WriteFileBytes(path_, bytes);
    OpenTable table(path_);
    return {table.status(), table.status() == DBFE_OK ? std::vector<std::string>{}
                                                      : FailureLines(table.status())};
  }

  // The table with its header counting `count` records: the first two and
  // the last (row 2) written, a hole between them, the end marker after them.
  void WriteSparseTable(std::uint32_t count) {
    std::vector<std::uint8_t> bytes(good_.begin(), good_.begin() + kHeader + 2 * kRecord);
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<std::uint8_t>(count >> (8 * i));
    WriteFileBytes(path_, bytes);
    std::vector<std::uint8_t> last(good_.begin() + kHeader + 2 * kRecord, good_.end());
    WriteBytesAt(path_, kHeader + std::uint64_t{count - 1} * kRecord, last);
  }

  // Gives the file blocks on the disk over `bytes` of its hole after the first
  // two records, as a table that really holds its records has.
  void AllocateInTheHole(std::uint64_t bytes) {
    const int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const int error = ::posix_fallocate(fd, kHeader + 2 * kRecord, static_cast<off_t>(bytes));
    ::close(fd);
    ASSERT_EQ(error, 0);
  }

  static std::uint64_t AllocatedBytes(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_blocks) * 512 : 0;
  }

  static constexpr std::uint64_t kHeader = 161;
  static constexpr std::uint64_t kRecord = 64;
  // As many records as fit with header and end marker in 2^31 - 1 bytes.
  static constexpr std::uint32_t kMostRecords = (0x7FFF'FFFF - kHeader - 1) / kRecord;

  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
  std::vector<std::uint8_t> good_;
};

TEST_F(HostileFile, DamagedHeadersAreRefusedOnOpenNamingTheTable) {
  const auto corrupt = [&](auto change, const std::string& detail) {
    const auto [status, lines] = OpenAfter(change);
    EXPECT_EQ(status, DBFE_ERR_CORRUPT_TABLE) << detail;
    EXPECT_EQ(lines, (std::vector<std::string>{"Table file is damaged or is not a dBASE table.",
                                               "Table: " + path_, detail}));
  };
  corrupt([](auto& b) { b.clear(); }, "The file ends before byte 32.");
  corrupt([](auto& b) { b.resize(20); }, "The file ends before byte 32.");
  corrupt([](auto& b) { b.resize(100); }, "The header length 161 exceeds the file size 100.");
  corrupt([](auto& b) { b.assign(300, 'x'); }, "The first byte 0x78 is not the version byte of a dBASE table.");
  corrupt([](auto& b) { b[9] = 0xFF; }, "The header length 65441 exceeds the file size 354.");
  corrupt([](auto& b) { b[10] = 65; }, "The record length 65 does not match the fields, which need 64.");
  corrupt([](auto& b) { b[4] = 4; }, "The header counts 4 records but the file holds 3.");
  corrupt([](auto& b) { b[7] = 0xFF; }, "The header counts 4278190083 records but the file holds 3.");
  corrupt([](auto& b) { b.resize(161 + 2 * 64 + 10); }, "The header counts 3 records but the file holds 2.");
  corrupt([](auto& b) { b[160] = ' '; }, "The field descriptors have no terminator.");
}

// Sparse files that hold the records their header counts, but more than a
// table of at most 2^31 - 1 bytes has: refused before anything reads them.
TEST_F(HostileFile, CountsPastTheSizeLimitAreRefusedOnOpen) {
  for (const std::uint32_t count : {kMostRecords + 1, std::uint32_t{0xFFFF'FFFF}}) {
    WriteSparseTable(count);
    for (const dbfe_open_mode mode : {DBFE_READ_ONLY, DBFE_READ_WRITE}) {
      OpenTable table(path_, mode);
      EXPECT_EQ(table.status(), DBFE_ERR_CORRUPT_TABLE) << count;
      if (table.status() == DBFE_OK) continue;
      EXPECT_EQ(FailureLines(table.status()),
                (std::vector<std::string>{"Table file is damaged or is not a dBASE table.", "Table: " + path_,
                                          "The header counts " + std::to_string(count) +
                                              " records, more than a table of at most 2147483647 bytes holds."}));
    }
  }
}

// A sparse file of 2 GiB with a few KiB on the disk: its count is refused
// before anything reads the nothing it counts. Enough blocks on the disk are
// taken as compressed records.
TEST_F(HostileFile, CountsFarBeyondTheBlocksOnTheDiskAreRefusedOnOpen) {
  WriteSparseTable(kMostRecords);
  const std::uint64_t size = kHeader + std::uint64_t{kMostRecords} * kRecord + 1;
  ASSERT_EQ(std::filesystem::file_size(path_), size);
  for (const dbfe_open_mode mode : {DBFE_READ_ONLY, DBFE_READ_WRITE}) {
    OpenTable table(path_, mode);
    ASSERT_EQ(table.status(), DBFE_ERR_CORRUPT_TABLE);
    EXPECT_EQ(FailureLines(table.status()),
              (std::vector<std::string>{"Table file is damaged or is not a dBASE table.", "Table: " + path_,
                                        "The header counts " + std::to_string(kMostRecords) +
                                            " records but the file has only " +
                                            std::to_string(AllocatedBytes(path_)) + " bytes on the disk."}));
  }
  const std::uint64_t enough = (size - kAllocationSlack) / kMostCompression;
  AllocateInTheHole(enough - AllocatedBytes(path_) - (1 << 19));
  EXPECT_EQ(OpenTable(path_, DBFE_READ_ONLY).status(), DBFE_ERR_CORRUPT_TABLE);
  AllocateInTheHole(enough);
  EXPECT_EQ(OpenTable(path_, DBFE_READ_ONLY).status(), DBFE_OK);
}

TEST_F(HostileFile, ATableAtTheSizeLimitOpensAndRefusesOneRecordMore) {
  WriteSparseTable(kMostRecords);
  const std::uint64_t size = kHeader + std::uint64_t{kMostRecords} * kRecord + 1;
  AllocateInTheHole(size / 64);
  ASSERT_EQ(std::filesystem::file_size(path_), size);
  OpenTable table(path_);
  ASSERT_EQ(table.status(), DBFE_OK) << FailureMessage(table.status());
  std::vector<std::uint8_t> record = table.NewRecord();
  ASSERT_EQ(dbfe_set_to_end(table.cursor()), DBFE_OK);
  ASSERT_EQ(dbfe_get_prior_record(table.cursor(), DBFE_NO_LOCK, record.data(), nullptr), DBFE_OK);
  EXPECT_EQ(table.Decode(record), RowAt(2));

  const std::vector<std::uint8_t> header = FileBytesAt(path_, 0, kHeader);
  const std::vector<std::uint8_t> end = FileBytesAt(path_, size - kRecord - 1, kRecord + 1);
  const dbfe_status status = table.Append(RowAt(3));
  EXPECT_EQ(status, DBFE_ERR_WRITE_FAILED);
  EXPECT_EQ(FailureLines(status).back(), "The table is full.");
  EXPECT_EQ(std::filesystem::file_size(path_), size);
  EXPECT_EQ(FileBytesAt(path_, 0, kHeader), header);
  EXPECT_EQ(FileBytesAt(path_, size - kRecord - 1, kRecord + 1), end);
}

TEST_F(HostileFile, AbsurdFieldCountsAreRefused) {
  // A header of 65535 bytes whose descriptors never end.
  const auto [status, lines] = OpenAfter([](auto& b) {
    b.assign(70000, 0);
    b[0] = 0x03;
    b[8] = b[9] = 0xFF;
    for (std::size_t d = 32; d + 32 <= 65535; d += 32) {
      b[d] = 'F';
      b[d + 11] = 'C';
      b[d + 16] = 1;
    }
  });
  EXPECT_EQ(status, DBFE_ERR_CORRUPT_TABLE);
  EXPECT_EQ(lines.back(), "The table has more than 255 fields.");
}

TEST_F(HostileFile, UnsupportedFieldTypesAreNamed) {
  const auto [status, lines] = OpenAfter([](auto& b) { b[32 + 3 * 32 + 11] = 'M'; });
  EXPECT_EQ(status, DBFE_ERR_INVALID_FIELD_DEFINITION);
  EXPECT_EQ(lines, (std::vector<std::string>{"Invalid field definition.", "Table: " + path_, "Field: hmot",
                                             "Field type 'M' is not supported."}));
}

TEST_F(HostileFile, BadRecordsGiveAnErrorWhenRead) {
  std::vector<std::uint8_t> bytes = good_;
  bytes[161 + 64] = '#';  // deletion flag of record 2
  std::copy_n("  12abc", 7, bytes.begin() + 161 + 2 * 64 + 44 + 13);  // hmot of record 3
  WriteFileBytes(path_, bytes);
  OpenTable table(path_);
  ASSERT_EQ(table.status(), DBFE_OK);
  std::vector<std::uint8_t> record = table.NewRecord();
  EXPECT_EQ(dbfe_get_next_record(table.cursor(), DBFE_NO_LOCK, record.data(), nullptr), DBFE_OK);
  dbfe_status status = dbfe_get_next_record(table.cursor(), DBFE_NO_LOCK, record.data(), nullptr);
  EXPECT_EQ(status, DBFE_ERR_CORRUPT_TABLE);
  EXPECT_EQ(FailureLines(status).back(), "Record 2 has no deletion flag.");
  ASSERT_EQ(dbfe_set_to_seq_no(table.cursor(), 3), DBFE_OK);
  ASSERT_EQ(dbfe_get_record(table.cursor(), DBFE_NO_LOCK, record.data(), nullptr), DBFE_OK);
  double value = 0;
  status = dbfe_get_field(table.cursor(), 4, record.data(), &value, nullptr);
  EXPECT_EQ(status, DBFE_ERR_INVALID_FIELD_VALUE);
  EXPECT_EQ(FailureLines(status),
            (std::vector<std::string>{"Field holds a value that is not a number.", "Table: " + path_,
                                      "Field: hmot", "Text: \"               12abc\""}));
}

TEST_F(HostileFile, AFileCutShortWhileOpenGivesAnErrorNotAnOverread) {
  OpenTable table(path_);
  ASSERT_EQ(::truncate(path_.c_str(), 161 + 64 + 5), 0);
  std::vector<std::uint8_t> record = table.NewRecord();
  EXPECT_EQ(dbfe_get_next_record(table.cursor(), DBFE_NO_LOCK, record.data(), nullptr), DBFE_OK);
  EXPECT_EQ(dbfe_get_next_record(table.cursor(), DBFE_NO_LOCK, record.data(), nullptr), DBFE_ERR_CORRUPT_TABLE);
  std::uint32_t count = 0;
  EXPECT_EQ(dbfe_get_record_count(table.cursor(), &count), DBFE_ERR_CORRUPT_TABLE);
  EXPECT_EQ(table.Append(RowAt(3)), DBFE_ERR_CORRUPT_TABLE);
}

// As a writer killed in a run of inserts leaves the file.
TEST_F(HostileFile, ZerosAfterTheEndMarkerAreIgnoredAndCutByTheNextInsert) {
  std::vector<std::uint8_t> bytes = good_;
  bytes.resize(bytes.size() + (1 << 20), 0);
  WriteFileBytes(path_, bytes);
  const std::vector<Row> three = {RowAt(0), RowAt(1), RowAt(2)};
  EXPECT_EQ(OpenTable(path_, DBFE_READ_ONLY).ReadAll(), three);
  if (PythonWithDbfread() && HaveGdal()) {
    EXPECT_EQ(ReadWith("dbfread", path_).records.size(), 3u);
    EXPECT_EQ(ReadWith("gdal", path_).records.size(), 3u);
  }
  {
    OpenTable table(path_);
    EXPECT_EQ(table.ReadAll(), three);
    EXPECT_EQ(FileBytes(path_).size(), bytes.size());  // reading changes nothing
    ASSERT_EQ(table.Append(RowAt(3)), DBFE_OK);
  }
  EXPECT_EQ(FileBytes(path_).size(), good_.size() + 64);
  EXPECT_EQ(OpenTable(path_).ReadAll(), (std::vector<Row>{RowAt(0), RowAt(1), RowAt(2), RowAt(3)}));
}

TEST_F(HostileFile, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
  const std::string fifo = directory_ / "fifo.dbf";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_EQ(OpenTable(fifo).status(), DBFE_ERR_OPEN_FAILED);
  EXPECT_EQ(OpenTable(fifo, DBFE_READ_ONLY).status(), DBFE_ERR_OPEN_FAILED);
  EXPECT_EQ(FailureLines(DBFE_ERR_OPEN_FAILED).back(), "The path is not a regular file.");
  EXPECT_EQ(OpenTable(directory_.path(), DBFE_READ_ONLY).status(), DBFE_ERR_OPEN_FAILED);
}

}  // namespace
}  // namespace dbfe::testing
