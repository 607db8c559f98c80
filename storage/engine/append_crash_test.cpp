// A writer killed at random instants, many times over the same table: each
// time the engine, GDAL and dbfread open the file and hold exactly the rows
// posted before (the one being written, at most, besides). And writers killed
// in the middle of long runs of inserts, where the records go through a
// mapping of a file grown ahead: the same, and nothing but zeros after the
// record being written.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

// How many "posted N" lines the writer printed.
std::uint64_t PostedCount(const std::string& output) {
  std::uint64_t count = 0;
  for (const std::string& line : SplitLines(output)) {
    if (line.rfind("posted ", 0) == 0) ++count;
  }
  return count;
}

// The leading tloustka values a reader sees must be 0, 1, 2, ... (each row's
// index), with every other field as written.
std::uint64_t ReaderPrefix(const std::string& reader, const std::string& path) {
  const ReaderView view = ReadWith(reader, path);
  for (std::size_t i = 0; i < view.records.size(); ++i) {
    const Row expected = RowAt(i);
    const std::vector<std::string>& seen = view.records[i];
    EXPECT_EQ(ReaderNumber(seen.at(1)), expected.tloustka) << reader << " row " << i;
    EXPECT_EQ(ReaderNumber(seen.at(2)), expected.vyska) << reader << " row " << i;
    EXPECT_EQ(ReaderNumber(seen.at(3)), expected.hmot) << reader << " row " << i;
  }
  return view.records.size();
}

TEST(AppendCrash, KilledWritersLeaveAWholePrefixOfThePostedRows) {
  DBFE_REQUIRE_READERS();
  EngineSession session;
  ScratchDirectory directory;
  const std::string path = directory / "TloVysHm.dbf";
  ASSERT_EQ(CreateHeightDiameterTable(path), DBFE_OK);
  std::mt19937 random(::testing::UnitTest::GetInstance()->random_seed());

  std::uint64_t posted_before = 0;
  for (int round = 0; round < 60; ++round) {
    ChildProcess writer({DBFE_TEST_WRITER, "append", path, std::to_string(posted_before), "100000000"});
    ASSERT_TRUE(writer.WaitForOutput("posted")) << "round " << round;
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    writer.Kill(SIGKILL);
    const ProcessResult result = writer.Wait();
    ASSERT_EQ(result.signal, SIGKILL) << "round " << round;
    const std::uint64_t posted = posted_before + PostedCount(result.output);

    OpenTable table(path);
    ASSERT_EQ(table.status(), DBFE_OK) << FailureMessage(table.status());
    const std::vector<Row> rows = table.ReadAll();
    ASSERT_GE(rows.size(), posted) << "round " << round;
    ASSERT_LE(rows.size(), posted + 1) << "round " << round;
    for (std::size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(rows[i], RowAt(i)) << "row " << i;
    for (const char* reader : {"gdal", "dbfread"}) {
      const std::uint64_t seen = ReaderPrefix(reader, path);
      EXPECT_GE(seen, posted) << reader << ", round " << round;
      EXPECT_LE(seen, posted + 1) << reader << ", round " << round;
    }
    posted_before = rows.size();
  }
  EXPECT_GT(posted_before, 60u);
}

// The index of the last "posted N" line, plus one.
std::uint64_t PostedThrough(const std::string& output) {
  std::uint64_t through = 0;
  for (const std::string& line : SplitLines(output)) {
    if (line.rfind("posted ", 0) == 0) through = std::stoull(line.substr(7)) + 1;
  }
  return through;
}

TEST(AppendCrash, KilledInTheMiddleOfRunsLeaveAWholePrefixAndZerosAfterIt) {
  DBFE_REQUIRE_READERS();
  EngineSession session;
  ScratchDirectory directory;
  const std::string path = directory / "TloVysHm.dbf";
  std::mt19937 random(::testing::UnitTest::GetInstance()->random_seed());
  constexpr std::size_t kHeader = 161;
  constexpr std::size_t kRecord = 64;

  for (int round = 0; round < 30; ++round) {
    ASSERT_EQ(CreateHeightDiameterTable(path), DBFE_OK);
    // About a microsecond a row: the file grows ahead every 4096 rows, and a
    // kill lands anywhere in the first few tens of thousands. The writer has
    // more rows than it can append by then, however fast it is.
    ChildProcess writer({DBFE_TEST_WRITER, "append-every", path, "0", "100000000", "1000"});
    ASSERT_TRUE(writer.WaitForOutput("posted")) << "round " << round;
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
    writer.Kill(SIGKILL);
    const ProcessResult result = writer.Wait();
    ASSERT_EQ(result.signal, SIGKILL) << "round " << round;
    const std::uint64_t posted = PostedThrough(result.output);

    std::vector<Row> rows;
    {
      OpenTable table(path, DBFE_READ_ONLY);
      ASSERT_EQ(table.status(), DBFE_OK) << FailureMessage(table.status());
      rows = table.ReadAll();
    }
    ASSERT_GE(rows.size(), posted) << "round " << round;
    for (std::size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(rows[i], RowAt(i)) << "row " << i;
    const std::vector<std::uint8_t> bytes = FileBytes(path);
    const std::size_t after_next = kHeader + (rows.size() + 1) * kRecord + 1;
    if (bytes.size() > after_next) {
      EXPECT_TRUE(std::all_of(bytes.begin() + after_next, bytes.end(), [](std::uint8_t b) { return b == 0; }))
          << "round " << round;
    }
    EXPECT_EQ(ReadWith("gdal", path).records.size(), rows.size()) << "round " << round;
    const std::uint64_t by_dbfread = ReaderPrefix("dbfread", path);
    EXPECT_GE(by_dbfread, rows.size()) << "round " << round;
    EXPECT_LE(by_dbfread, rows.size() + 1) << "round " << round;

    // The next run goes on from the counted rows and cuts what the killed one left.
    {
      OpenTable table(path);
      ASSERT_EQ(table.Append(RowAt(rows.size())), DBFE_OK) << FailureMessage(DBFE_ERR_WRITE_FAILED);
      ASSERT_EQ(table.Close(), DBFE_OK);
    }
    EXPECT_EQ(FileBytes(path).size(), kHeader + (rows.size() + 1) * kRecord + 1) << "round " << round;
    EXPECT_EQ(OpenTable(path).ReadAll().size(), rows.size() + 1) << "round " << round;
  }
}

}  // namespace
}  // namespace dbfe::testing
