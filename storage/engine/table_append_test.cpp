// Every state a killed append can leave behind, as the engine, GDAL and
// dbfread see it: always the records before, and the new one whole or not at
// all; through write calls, and through a mapping of a file grown ahead.
#include "table_append.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "append_run.h"
#include "os_file.h"
#include "record_codec.h"
#include "table_replacement.h"
#include "table_file.h"
#include "test_support.h"

namespace dbfe {
namespace {

using testing::ReadWith;

enum class Medium { kWrites, kMapping };

// How many steps of the append ran before the kill; -1: the body was cut
// short (by a signal between pages, a file size limit, a kill in the copy).
constexpr int kCutBody = -1;

class AppendCrashStates : public ::testing::TestWithParam<std::tuple<Medium, int>> {
 protected:
  void SetUp() override {
    layout_ = NewTableLayout({{"drevina", 'C', 3, 0, 0}, {"hmot", 'N', 20, 10, 0}});
    ASSERT_FALSE(TableReplacement(path_, layout_, true).Commit().has_value());
    fd_ = FileDescriptor(::open(path_.c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_TRUE(fd_.valid());
    FileTarget file(fd_.get(), path_);
    AppendRecord(file, layout_.RecordOffset(0), 0, Record("SM ", 1.5), false);
    AppendRecord(file, layout_.RecordOffset(1), 1, Record("BO ", 2.25), true);
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
  const auto [medium, done] = GetParam();
  const std::vector<std::uint8_t> record = Record("XXX", 3.125);
  const std::uint64_t place = layout_.RecordOffset(2);
  FileTarget file(fd_.get(), path_);
  MappedTarget mapped;
  FileMapping header;
  FileMapping window;
  if (medium == Medium::kMapping) {
    // As a run leaves the file: grown ahead, zeros after the marker.
    ASSERT_EQ(AllocateRange(fd_.get(), 0, 64 * 1024), 0);
    header = FileMapping::Map(fd_.get(), 0, PageSize());
    window = FileMapping::Map(fd_.get(), 0, 64 * 1024);
    ASSERT_TRUE(header.valid() && window.valid());
    mapped.Start(header.data(), Today());
    mapped.SetWindow(window.data(), 0);
  }
  AppendTarget& target = medium == Medium::kMapping ? static_cast<AppendTarget&>(mapped) : file;
  AppendSteps steps(target, place, 2, record);
  if (done == kCutBody) {
    steps.Seal();
    const std::vector<std::uint8_t> part(record.begin() + 1, record.begin() + 11);
    if (medium == Medium::kMapping) {
      std::copy(part.begin(), part.end(), window.data() + place + 1);
    } else {
      WriteAt(fd_.get(), part, place + 1, path_);
    }
  }
  for (int i = 0; i < done; ++i) (steps.*AppendSteps::kOrder[i])();
  header.Reset();
  window.Reset();

  const std::vector<std::string> before = {"SM ", "BO "};
  const std::vector<std::string> after = {"SM ", "BO ", "XXX"};
  const bool counted = done == 4;
  const bool revealed = done >= 3;
  EXPECT_EQ(EngineCodes(), counted ? after : before);
  const std::vector<std::string> trimmed_before = {"SM", "BO"};
  const std::vector<std::string> trimmed_after = {"SM", "BO", "XXX"};
  EXPECT_EQ(ReaderCodes("gdal"), counted ? trimmed_after : trimmed_before);
  EXPECT_EQ(ReaderCodes("dbfread"), revealed ? after : before);

  // The next writer's run, reading the header's count, leaves a clean table
  // of exactly its records, whichever way it writes.
  for (const bool map_tail : {medium == Medium::kWrites, medium == Medium::kMapping}) {
    const std::uint32_t count = EngineCodes().size();
    AppendRun run(fd_.get(), path_, {}, layout_, {.shared = true, .map_tail = map_tail});
    EXPECT_EQ(run.Append(Record("JD ", 4.0), count), count);
    run.End();
    std::vector<std::string> expected = counted ? after : before;
    expected.resize(count + 1, "JD ");
    EXPECT_EQ(EngineCodes(), expected);
    EXPECT_EQ(ReaderCodes("dbfread"), expected);
    EXPECT_EQ(ReadWith("gdal", path_).records.size(), expected.size());
    EXPECT_EQ(testing::FileBytes(path_).size(), layout_.RecordOffset(expected.size()) + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(EachStep, AppendCrashStates,
                         ::testing::Combine(::testing::Values(Medium::kWrites, Medium::kMapping),
                                            ::testing::Values(kCutBody, 0, 1, 2, 3, 4)),
                         [](const auto& info) {
                           const int done = std::get<1>(info.param);
                           return std::string(std::get<0>(info.param) == Medium::kMapping ? "Mapping" : "Writes") +
                                  (done == kCutBody ? std::string("CutBody") : "Steps" + std::to_string(done));
                         });

// Enough records for several growths of the file and moves of the window.
TEST(AppendRun, WritesTheSameBytesThroughTheMappingAsThroughWriteCalls) {
  testing::ScratchDirectory directory;
  const TableLayout layout = NewTableLayout({{"drevina", 'C', 3, 0, 0}, {"hmot", 'N', 20, 10, 0}});
  std::vector<std::uint8_t> record(layout.record_length);
  std::map<bool, std::vector<std::uint8_t>> files;
  for (const bool map_tail : {true, false}) {
    const std::string path = directory / (map_tail ? "mapped.dbf" : "written.dbf");
    ASSERT_FALSE(TableReplacement(path, layout, true).Commit().has_value());
    const FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_TRUE(fd.valid());
    AppendRun run(fd.get(), path, {}, layout, {.shared = false, .map_tail = map_tail});
    for (std::uint32_t i = 0; i < 40000; ++i) {
      BlankRecord(record);
      PutString(record, layout.fields[0], i % 3 ? "SM " : "BO ");
      const double value = i * 0.25;
      PutNumber(record, layout.fields[1], &value);
      ASSERT_EQ(run.Append(record, i), i);
    }
    if (map_tail) {
      EXPECT_GT(testing::FileBytes(path).size(), layout.RecordOffset(40000) + 1) << "grown ahead";
    }
    run.End();
    EXPECT_EQ(run.TakeCutError(), 0);
    files[map_tail] = testing::FileBytes(path);
    EXPECT_EQ(files[map_tail].size(), layout.RecordOffset(40000) + 1);
  }
  EXPECT_TRUE(files[true] == files[false]);
}

}  // namespace
}  // namespace dbfe
