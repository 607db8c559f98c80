// The files hold exactly what the generators computed, as GDAL and dbfread read them.
#include <cstdlib>
#include <string>
#include <vector>

#include "height_diameter_table.h"
#include "schemas.h"
#include "program_run_for_tests.h"
#include "site_class_table.h"
#include "text_lines.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

// A reader's lines; a reader that fails has none to give.
std::vector<std::string> OutputLines(const std::string& command) {
  const testing::Outcome outcome = testing::RunCommand(command);
  EXPECT_EQ(outcome.status, 0) << command;
  return testing::Lines(outcome.output);
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> parts(1);
  for (char c : line) {
    if (c == separator) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

// Readers drop the trailing blanks of a character field.
std::string Expected(const FieldValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return text->substr(0, text->find_last_not_of(' ') + 1);
  return "";
}

// Compares every value of the open table with what a reader printed.
void ExpectReaderAgrees(TTable& table, const std::vector<std::string>& lines, char separator, const char* reader) {
  ASSERT_EQ(static_cast<int>(lines.size()), table.RecordCount()) << reader;
  for (int row = 0; row < table.RecordCount(); ++row) {
    const std::vector<std::string> values = Split(lines[static_cast<std::size_t>(row)], separator);
    ASSERT_EQ(static_cast<int>(values.size()), table.FieldCount()) << reader << " row " << row;
    for (int column = 0; column < table.FieldCount(); ++column) {
      const FieldValue value = table.RowValue(row, column);
      const std::string& text = values[static_cast<std::size_t>(column)];
      if (const auto* number = std::get_if<double>(&value)) {
        ASSERT_FALSE(text.empty()) << reader << " row " << row << " column " << column;
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), *number) << reader << " row " << row << ": " << text;
      } else {
        ASSERT_EQ(text, Expected(value)) << reader << " row " << row << " column " << column;
      }
    }
  }
}

class IndependentReadersTest : public testing::InFreshDirectory {
 protected:
  void SetUp() override {
    InFreshDirectory::SetUp();
    if (std::system("ogr2ogr --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "GDAL's ogr2ogr is not installed";
    if (std::system("/usr/bin/python3 -c 'import dbfread' 2>/dev/null") != 0) GTEST_SKIP() << "dbfread is missing";
  }

  void CheckBothReaders(TTable& table) {
    const std::string file = table.TableName();
    std::vector<std::string> gdal = OutputLines("ogr2ogr -f CSV /vsistdout/ " + file);
    ASSERT_FALSE(gdal.empty());
    gdal.erase(gdal.begin());  // the header line
    ExpectReaderAgrees(table, gdal, ',', "GDAL");
    ExpectReaderAgrees(table, OutputLines("/usr/bin/python3 " DUMP_WITH_DBFREAD " " + file), '\t', "dbfread");
  }
};

TEST_F(IndependentReadersTest, ReadTheSiteClassTable) {
  auto table = MakeSiteClassTable();
  GenerateSiteClassTable(*table);
  CheckBothReaders(*table);
}

TEST_F(IndependentReadersTest, ReadTheHeightDiameterTable) {
  auto table = MakeHeightDiameterTable();
  GenerateHeightDiameterTable(*table);
  CheckBothReaders(*table);
}

}  // namespace
}  // namespace dravlik
