// The generators' rows through the batch file writer: the very files the
// table writes, and the rows with a volume counted as they are written.
#include "file_row_writer.h"

#include <functional>
#include <stdexcept>

#include "height_diameter_table.h"
#include "schemas.h"
#include "site_class_table.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

class FileRowWriterTest : public testing::InFreshDirectory {};

struct Generation {
  std::unique_ptr<TTable> (*make)(TSession&);
  std::function<void(TTable&)> throughTable;
  std::function<void(RowWriter&)> rows;
  std::span<const std::string_view> fields;
  std::size_t volumeField;
  int rowsWithVolume;
};

std::vector<Generation> BothTables() {
  return {{MakeSiteClassTable, [](TTable& t) { GenerateSiteClassTable(t); },
           [](RowWriter& rows) { WriteSiteClassRows(rows); }, kSiteClassFields, 4, 3228},
          {MakeHeightDiameterTable, [](TTable& t) { GenerateHeightDiameterTable(t); },
           [](RowWriter& rows) { WriteHeightDiameterRows(rows); }, kHeightDiameterFields, 3, 25103}};
}

TEST_F(FileRowWriterTest, WritesTheFilesTheTableWritesAndCountsTheVolumes) {
  for (const Generation& generation : BothTables()) {
    const auto table = generation.make(Session());
    generation.throughTable(*table);
    const int records = table->RecordCount();
    table->Close();
    const std::vector<std::uint8_t> byTable = testing::FileBytes(table->TableName());

    TableFileWriter file(*table, Session());
    FileRowWriter rows(file, *table, generation.fields);
    ValueCountingRowWriter counted(rows, generation.volumeField);
    generation.rows(counted);
    file.Finish();
    EXPECT_EQ(testing::FileBytes(table->TableName()), byTable) << table->TableName();
    EXPECT_EQ(counted.Count(), generation.rowsWithVolume) << table->TableName();
    EXPECT_EQ(file.RecordCount(), records);
  }
}

// Posts fail from the third on.
class FailingRows final : public RowWriter {
 public:
  void Insert() override {}
  void SetString(std::size_t, const std::string&) override {}
  void SetInteger(std::size_t, int) override {}
  void SetFloat(std::size_t, double) override {}
  void Post() override {
    if (++posts > 2) throw std::runtime_error("full");
  }
  int posts = 0;
};

TEST_F(FileRowWriterTest, CountsOnlyPostedRowsWithTheValue) {
  FailingRows failing;
  ValueCountingRowWriter counted(failing, 1);
  for (const bool withValue : {true, false, true}) {
    counted.Insert();
    counted.SetFloat(0, 1);
    if (withValue) counted.SetFloat(1, 2);
    try {
      counted.Post();
    } catch (const std::runtime_error&) {
    }
  }
  EXPECT_EQ(counted.Count(), 1);
}

TEST_F(FileRowWriterTest, AFieldTheTableLacksIsRefusedAsTheTableRefusesIt) {
  const auto table = MakeSiteClassTable(Session());
  const std::array<std::string_view, 1> names = {"OBJEM"};
  TableFileWriter file(*table, Session());
  try {
    FileRowWriter rows(file, *table, names);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Table1: Field 'OBJEM' not found");
  }
}

}  // namespace
}  // namespace dravlik
