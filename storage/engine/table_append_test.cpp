// Every state a killed append can leave behind, as the engine, GDAL and
// dbfread see it: always the records before, and the new one whole or not at all.
#include "table_append.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>

#include "os_file.h"
#include "record_codec.h"
#include "table_creation.h"
#include "table_file.h"
#include "test_support.h"

namespace dbfe {
namespace {

using testing::ReadWith;

// How many steps of the append ran before the kill; -1: the body write was
// cut short (by a signal between pages or a file size limit).
constexpr int kCutBody = -1;

class AppendCrashStates : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    layout_ = NewTableLayout({{"drevina", 'C', 3, 0, 0}, {"hmot", 'N', 20, 10, 0}});
    CreateTable(path_, layout_, true);
    fd_ = FileDescriptor(::open(path_.c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_TRUE(fd_.valid());
    AppendRecord(fd_.get(), layout_, 0, Record("SM ", 1.5), path_, FileSize(fd_.get(), path_));
    AppendRecord(fd_.get(), layout_, 1, Record("BO ", 2.25), path_, FileSize(fd_.get(), path_));
  }

  std::vector<std::uint8_t> Record(const char* code, double value) {
    std::vector<std::uint8_t> record(layout_.record_length);
    BlankRecord(record);
    PutString(record, layout_.fields[0], code);
    PutNumber(record, layout_.fields[1], &value);
    return record;
  }

  // The codes of the records each reader sees: engine, GDAL, dbfread.
  std::vector<std::string> EngineCodes() {
    TableFile table = TableFile::Open(path_, DBFE_READ_ONLY, DBFE_SHARED);
    std::vector<std::string> codes;
    std::vector<std::uint8_t> record(table.layout().record_length);
    for (std::uint32_t r = 0; r < table.record_count(); ++r) {
      table.ReadRecord(r, record);
      char code[4];
      GetString(record, table.layout().fields[0], code);
      codes.emplace_back(code);
    }
    return codes;
  }

  std::vector<std::string> ReaderCodes(const std::string& reader) {
    std::vector<std::string> codes;
    for (const auto& row : ReadWith(reader, path_).records) {
      codes.push_back(row.at(0));
      const double value = *testing::ReaderNumber(row.at(1));
      const std::map<std::string, double> values = {{"SM", 1.5}, {"BO", 2.25}, {"XX", 3.125}, {"JD", 4.0}};
      const double expected = values.at(row[0].substr(0, 2));
      EXPECT_EQ(value, expected) << reader << " sees a mixed record";
    }
    return codes;
  }

  testing::ScratchDirectory directory_;
  std::string path_ = directory_ / "t.dbf";
  TableLayout layout_;
  FileDescriptor fd_;
};

TEST_P(AppendCrashStates, LeaveEveryReaderAWholePrefix) {
  DBFE_REQUIRE_READERS();
  const std::vector<std::uint8_t> record = Record("XXX", 3.125);
  AppendSteps steps(fd_.get(), layout_, 2, record, path_);
  const int done = GetParam();
  if (done == kCutBody) {
    steps.Seal();
    WriteAt(fd_.get(), std::span(record).subspan(1, 10), layout_.RecordOffset(2) + 1, path_);
  }
  for (int i = 0; i < done; ++i) (steps.*AppendSteps::kOrder[i])();

  const std::vector<std::string> before = {"SM ", "BO "};
  const std::vector<std::string> after = {"SM ", "BO ", "XXX"};
  const bool counted = done == 4;
  const bool revealed = done >= 3;
  EXPECT_EQ(EngineCodes(), counted ? after : before);
  const std::vector<std::string> trimmed_before = {"SM", "BO"};
  const std::vector<std::string> trimmed_after = {"SM", "BO", "XXX"};
  EXPECT_EQ(ReaderCodes("gdal"), counted ? trimmed_after : trimmed_before);
  EXPECT_EQ(ReaderCodes("dbfread"), revealed ? after : before);

  // The next writer, reading the header's count, leaves a clean table.
  const std::uint32_t count = EngineCodes().size();
  AppendRecord(fd_.get(), layout_, count, Record("JD ", 4.0), path_, FileSize(fd_.get(), path_));
  std::vector<std::string> expected = counted ? after : before;
  expected.push_back("JD ");
  EXPECT_EQ(EngineCodes(), expected);
  EXPECT_EQ(ReaderCodes("dbfread"), expected);
  EXPECT_EQ(ReadWith("gdal", path_).records.size(), expected.size());
  EXPECT_EQ(testing::FileBytes(path_).size(), layout_.RecordOffset(expected.size()) + 1);
}

INSTANTIATE_TEST_SUITE_P(EachStep, AppendCrashStates, ::testing::Values(kCutBody, 0, 1, 2, 3, 4));

}  // namespace
}  // namespace dbfe
