// Writes that the system refuses: a file size limit, which a child process
// can be given for real, and a table that may only be read. A full and a
// failing disk are in write_errors_test.cpp.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

class WriteFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
    OpenTable table(path_);
    for (std::uint64_t i = 0; i < 10; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
  }

  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
};

TEST_F(WriteFailure, AtAFileSizeLimitNamesTheTableAndTheReasonAndKeepsThePostedRows) {
  const std::size_t size = FileBytes(path_).size();
  // Room for five more records and a half.
  const ProcessResult result =
      RunProcess({DBFE_TEST_WRITER, "append", path_, "10", "1000", std::to_string(size + 5 * 64 + 32)});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_NE(result.output.find("posted 14\nfailed 2103\nCannot write to the table file.\nTable: " + path_ +
                               "\nFile too large\n"),
            std::string::npos)
      << result.output;

  OpenTable table(path_);
  std::vector<Row> expected;
  for (std::uint64_t i = 0; i < 15; ++i) expected.push_back(RowAt(i));
  EXPECT_EQ(table.ReadAll(), expected);
  EXPECT_EQ(FileBytes(path_).size(), size + 5 * 64);  // no part of the sixth record
  if (PythonWithDbfread() && HaveGdal()) {
    EXPECT_EQ(ReadWith("dbfread", path_).records.size(), 15u);
    EXPECT_EQ(ReadWith("gdal", path_).records.size(), 15u);
  }
}

TEST_F(WriteFailure, AFileThatCanOnlyBeReadOpensReadOnly) {
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(directory_.path().c_str(), 0755), 0);  // for the unprivileged probe
  const ProcessResult result = RunProcess({DBFE_TEST_WRITER, "probe-read-only", path_});
  if (result.exit_code == 5) GTEST_SKIP() << "running as root without the right to become another user";
  EXPECT_EQ(result.output,
            "read-write 2a0b\n"
            "  Table can only be opened for reading.\n"
            "  Table: " + path_ + "\n"
            "  Permission denied\n"
            "read-only open, read_only=true\n"
            "rows 10\n"
            "insert 2a13\n");
}

TEST_F(WriteFailure, ThroughAReadOnlyCursorIsRefused) {
  OpenTable table(path_, DBFE_READ_ONLY);
  dbfe_cursor_props props{};
  ASSERT_EQ(dbfe_get_cursor_props(table.cursor(), &props), DBFE_OK);
  EXPECT_TRUE(props.read_only);
  EXPECT_EQ(table.Append(RowAt(10)), DBFE_ERR_TABLE_READ_ONLY);
  std::vector<std::uint8_t> record = table.NewRecord();
  ASSERT_EQ(dbfe_get_next_record(table.cursor(), DBFE_NO_LOCK, record.data(), nullptr), DBFE_OK);
  EXPECT_EQ(dbfe_modify_record(table.cursor(), record.data(), true), DBFE_ERR_TABLE_READ_ONLY);
  EXPECT_EQ(dbfe_delete_record(table.cursor()), DBFE_ERR_TABLE_READ_ONLY);
  EXPECT_EQ(table.ReadAll().size(), 10u);
}

}  // namespace
}  // namespace dbfe::testing
