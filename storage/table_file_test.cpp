// The batch file writer and reader against the table: the same files, the
// same values, the same messages, and the old file kept unless finished.
#include <cstdint>
#include <string>
#include <vector>

#include "dbf_file_for_tests.h"
#include "schemas.h"
#include "table_file_reader.h"
#include "table_file_writer.h"
#include "table_test_support.h"

namespace dravlik {
namespace {

using testing::FileBytes;
using testing::FilesHere;
using testing::MessageOf;
using testing::TableTest;

// A row by field index; null leaves the field empty.
using Row = std::vector<FieldValue>;

// Rows with what a file can hold: codes to be cut and transliterated, nulls,
// numbers whole, tiny and negative; more than the reader takes in one piece.
std::vector<Row> VariedRows(int count) {
  const std::vector<std::string> codes = {"SM ", "Řeka", "ab", "\"q\"", "   "};
  std::vector<Row> rows;
  for (int i = 0; i < count; ++i) {
    Row row = {codes[static_cast<std::size_t>(i) % codes.size()], static_cast<double>(i), 0.1 * i - 7,
               i % 7 == 0 ? FieldValue{} : i % 3 == 0 ? FieldValue{1e-300} : FieldValue{-(i % 10) / 8.0}};
    rows.push_back(row);
  }
  return rows;
}

// Sets a value as the grid's editors and the generators do, through the field.
void SetThroughField(TField& field, const FieldValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return field.SetAsString(*text);
  if (const auto* number = std::get_if<double>(&value)) return field.SetAsFloat(*number);
  field.Clear();
}

void WriteWithTable(const std::vector<Row>& rows) {
  auto table = MakeHeightDiameterTable();
  table->CreateTable();
  table->Open();
  for (const Row& row : rows) {
    table->Insert();
    for (std::size_t i = 0; i < row.size(); ++i) SetThroughField(table->Field(static_cast<int>(i)), row[i]);
    table->Post();
  }
  table->Close();
}

// The value the schema's field would store for `value`.
FieldValue Converted(const TField& field, const FieldValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return field.StringValue(*text);
  if (const auto* number = std::get_if<double>(&value)) return field.FloatValue(*number);
  return value;
}

void WriteWithFileWriter(const std::vector<Row>& rows, bool finish = true) {
  auto schema = MakeHeightDiameterTable();
  TableFileWriter writer(*schema, Session());
  for (const Row& row : rows) {
    writer.NewRecord();
    for (std::size_t i = 0; i < row.size(); ++i) {
      writer.SetValue(static_cast<int>(i), Converted(schema->Field(static_cast<int>(i)), row[i]));
    }
    writer.Append();
  }
  EXPECT_EQ(writer.RecordCount(), static_cast<int>(rows.size()));
  if (finish) writer.Finish();
}

TEST_F(TableTest, TheFileWriterWritesTheBytesOfTheTable) {
  for (const int count : {0, 1, 2500}) {
    const std::vector<Row> rows = VariedRows(count);
    WriteWithTable(rows);
    const std::vector<std::uint8_t> byTable = FileBytes("TloVysHm.dbf");
    WriteWithFileWriter(rows);
    EXPECT_EQ(FileBytes("TloVysHm.dbf"), byTable) << count << " rows";
    EXPECT_EQ(FilesHere(), std::vector<std::string>{"TloVysHm.dbf"}) << "nothing left beside it";
  }
}

TEST_F(TableTest, AnUnfinishedFileWriterLeavesTheOldFile) {
  WriteWithTable(VariedRows(3));
  const std::vector<std::uint8_t> old = FileBytes("TloVysHm.dbf");
  WriteWithFileWriter(VariedRows(40), false);
  EXPECT_EQ(FileBytes("TloVysHm.dbf"), old);
  EXPECT_EQ(FilesHere(), std::vector<std::string>{"TloVysHm.dbf"});

  // A row the table would refuse to post: refused alike, and nothing replaced.
  auto schema = MakeHeightDiameterTable();
  schema->FieldByName("vyska").SetRequired(true);
  {
    TableFileWriter writer(*schema, Session());
    writer.SetValue(0, FieldValue{std::string("SM ")});
    EXPECT_EQ(MessageOf([&] { writer.Append(); }), "Field 'vyska' must have a value");
    EXPECT_EQ(writer.RecordCount(), 0);
    EXPECT_EQ(FileBytes("TloVysHm.dbf"), old) << "untouched while the writer works";
  }
  EXPECT_EQ(FileBytes("TloVysHm.dbf"), old);
  EXPECT_EQ(FilesHere(), std::vector<std::string>{"TloVysHm.dbf"});
}

TEST_F(TableTest, TheFileWriterRaisesTheTablesMessages) {
  WriteWithTable(VariedRows(1));
  auto schema = MakeHeightDiameterTable();
  std::string byTable;
  {
    TableFileWriter writer(*schema, Session());
    const std::string byWriter = MessageOf<EDBEngineError>([&] { TableFileWriter(*schema, Session()); });
    byTable = MessageOf<EDBEngineError>([&] { MakeHeightDiameterTable()->CreateTable(); });
    EXPECT_NE(byTable.find("in use"), std::string::npos) << byTable;
    EXPECT_EQ(byWriter, byTable) << "a second replacement at once";
  }
  // A file that a table holds open.
  auto table = MakeHeightDiameterTable();
  table->Open();
  const std::string openByTable = MessageOf<EDBEngineError>([&] { MakeHeightDiameterTable()->CreateTable(); });
  EXPECT_NE(openByTable, "(no error)");
  EXPECT_EQ(MessageOf<EDBEngineError>([&] { TableFileWriter(*schema, Session()); }), openByTable);
  table->Close();

  schema->FieldByName("hmot").SetReadOnly(true);
  TableFileWriter writer(*schema, Session());
  EXPECT_EQ(MessageOf([&] { writer.SetValue(3, FieldValue{1.0}); }), "Field 'hmot' cannot be modified");
  const std::string tooWide =
      MessageOf<EDBEngineError>([&] { writer.SetValue(1, FieldValue{-1.2345678901234567e-300}); });
  EXPECT_NE(tooWide.find("tloustka"), std::string::npos) << tooWide;
}

TEST_F(TableTest, TheFileReaderGivesTheValuesOfTheTablesRows) {
  WriteWithTable(VariedRows(2500));
  auto table = MakeHeightDiameterTable();
  table->Open();
  TableFileReader reader(*MakeHeightDiameterTable(), Session());
  ASSERT_EQ(reader.RecordCount(), table->RecordCount());
  ASSERT_EQ(reader.FieldCount(), table->FieldCount());
  EXPECT_EQ(reader.Value(0), FieldValue{}) << "before the first record";
  int row = 0;
  int differing = 0;
  for (; reader.Next(); ++row) {
    ASSERT_EQ(reader.RecordNumber(), row);
    for (int field = 0; field < reader.FieldCount(); ++field) {
      differing += reader.Value(field) != table->RowValue(row, field);
    }
  }
  EXPECT_EQ(row, 2500);
  EXPECT_EQ(differing, 0);
  EXPECT_FALSE(reader.Next()) << "stays at the end";
  for (int field = 0; field < reader.FieldCount(); ++field) {
    EXPECT_EQ(reader.FieldName(field), table->Field(field).FieldName());
  }
}

TEST_F(TableTest, TheFileReaderRaisesTheTablesMessages) {
  using testing::DbfField;
  using testing::Padded;
  // A number field holding a text that is no number, on the second record.
  testing::WriteDbfFile("bon_Hm1.dbf", {{"DREVINA", 'C', 3}, {"VYSKA", 'N', 20, 10}},
                        {{"SM ", Padded("12.5", 20)}, {"BO ", Padded("12abc", 20)}});
  TTable table("Table1", "bon_Hm1.dbf");
  table.AddStringField("Table1DREVINA", "DREVINA", 3);
  table.AddFloatField("Table1VYSKA", "VYSKA");
  table.Open();
  table.MoveTo(1);
  const std::string byTable = MessageOf<EDBEngineError>([&] { (void)table.FieldByName("VYSKA").Value(); });
  table.Close();
  TableFileReader reader(table, Session());
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.Value(1), FieldValue{12.5});
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.Value(0), FieldValue{std::string("BO ")}) << "only the unreadable field fails";
  EXPECT_EQ(MessageOf<EDBEngineError>([&] { (void)reader.Value(1); }), byTable);
  EXPECT_NE(byTable.find("12abc"), std::string::npos) << byTable;

  TTable extra("Table1", "bon_Hm1.dbf");
  extra.AddFloatField("Table1OBJEM", "OBJEM");
  EXPECT_EQ(MessageOf([&] { TableFileReader(extra, Session()); }), "Table1: Field 'OBJEM' not found");
  TTable mismatch("Table1", "bon_Hm1.dbf");
  mismatch.AddFloatField("Table1DREVINA", "drevina");
  EXPECT_EQ(MessageOf([&] { TableFileReader(mismatch, Session()); }),
            "Table1: Type mismatch for field 'drevina', expecting: Float actual: String");
  TTable missing("Table2", "TloVysHm.dbf");
  const std::string missingByTable = MessageOf<EDBEngineError>([&] { missing.Open(); });
  EXPECT_EQ(MessageOf<EDBEngineError>([&] { TableFileReader(missing, Session()); }), missingByTable);
  EXPECT_EQ(FilesHere(), std::vector<std::string>{"bon_Hm1.dbf"});
}

}  // namespace
}  // namespace dravlik
