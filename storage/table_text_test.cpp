// Files that other programs wrote, with their own widths, types and order of
// fields, and text beyond ASCII: bound or refused, cut by characters, stored
// in the file's code page.
#include <string>
#include <vector>

#include "dbf_file_for_tests.h"
#include "schemas.h"
#include "table.h"
#include "table_test_support.h"

namespace dravlik {
namespace {

using testing::DbfField;
using testing::FileText;
using testing::MessageOf;
using testing::Padded;
using testing::TableTest;
using testing::WriteDbfFile;

// A number right-aligned in a numeric field.
std::string RightAligned(const std::string& text, int width) {
  return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

// The site-class fields with the species field `width` wide.
std::vector<DbfField> SiteClassFields(int width) {
  std::vector<DbfField> fields = {{"DREVINA", 'C', width}};
  for (const char* name : {"BONITA", "VEK", "VYSKA", "TLOUSTKA", "HMOT"}) fields.push_back({name, 'N', 20, 10});
  return fields;
}

// A record of them: the species as stored, then 1 to 5.
std::vector<std::string> SiteClassRecord(const std::string& species, int width) {
  std::vector<std::string> record = {Padded(species, width)};
  for (int i = 1; i <= 5; ++i) record.push_back(RightAligned(std::to_string(i), 20));
  return record;
}

FieldValue Text(const std::string& text) { return text; }

TEST_F(TableTest, WiderSpeciesFieldsBindAndKeepWhatTheyHold) {
  for (const int width : {16, 20, 64, 254}) {
    SCOPED_TRACE(width);
    WriteDbfFile("bon_Hm1.dbf", SiteClassFields(width),
                 {SiteClassRecord("SMRK ZTEPIL\xDD", width), SiteClassRecord("", width)});
    auto table = MakeSiteClassTable();
    table->Open();
    ASSERT_EQ(table->RowCount(), 2);
    // Values read back as stored, all of the file's width; Ý takes two bytes
    // of UTF-8, Ž and Š two each, € three.
    EXPECT_EQ(table->RowValue(0, 0), Text(Padded("SMRK ZTEPILÝ", width + 1)));
    EXPECT_EQ(table->RowValue(1, 0), FieldValue{}) << "all blanks is null";
    EXPECT_EQ(table->RowValue(1, 3), FieldValue{3.0});
    EXPECT_EQ(table->FieldByName("DREVINA").AsString(), Padded("SMRK ZTEPILÝ", width + 1));

    // The schema's size still cuts what the table layer stores.
    table->Edit();
    table->FieldByName("DREVINA").SetAsString("ŘŽŠX");
    EXPECT_EQ(table->FieldByName("DREVINA").AsString(), Padded("RŽŠ", width + 2));
    table->Post();
    table->Insert();
    table->FieldByName("DREVINA").SetAsString("€uro");
    table->FieldByName("HMOT").SetAsFloat(2.5);
    table->Post();
    table->Close();
    const std::string file = FileText("bon_Hm1.dbf");
    EXPECT_NE(file.find(std::string(" ").append(Padded("R\x8E\x8A", width)).append(RightAligned("1", 20))),
              std::string::npos);
    const std::string nulls(4 * 20, ' ');
    EXPECT_NE(file.find(std::string(" ").append(Padded("\x80ur", width)).append(nulls).append(RightAligned("2.5", 20))),
              std::string::npos);

    table->Open();
    ASSERT_EQ(table->RowCount(), 3);
    EXPECT_EQ(table->RowValue(0, 0), Text(Padded("RŽŠ", width + 2)));
    EXPECT_EQ(table->RowValue(2, 0), Text(Padded("€ur", width + 2)));
    EXPECT_EQ(table->RowValue(2, 5), FieldValue{2.5});
  }
}

TEST_F(TableTest, AnyWellFormedFileIsBoundOrRefusedWithTheTableLayersMessage) {
  // Any order, numeric widths and letters, and fields the schema does not have.
  WriteDbfFile("bon_Hm1.dbf",
               {{"HMOT", 'N', 10, 2}, {"POZNAMKA", 'C', 300}, {"TLOUSTKA", 'F', 12, 3}, {"vyska", 'N', 20, 10},
                {"VEK", 'N', 3}, {"BONITA", 'N', 5, 1}, {"DREVINA", 'C', 40}},
               {{RightAligned("12.50", 10), Padded("smrk u cesty", 300), RightAligned("31.125", 12),
                 RightAligned("27.3", 20), RightAligned("85", 3), RightAligned("24.0", 5), Padded("SM", 40)}});
  auto table = MakeSiteClassTable();
  table->Open();
  EXPECT_EQ(table->FieldByName("DREVINA").AsString(), Padded("SM", 40));
  EXPECT_EQ(table->FieldByName("HMOT").AsFloat(), 12.5);
  EXPECT_EQ(table->FieldByName("TLOUSTKA").AsFloat(), 31.125);
  EXPECT_EQ(table->FieldByName("VEK").AsFloat(), 85);
  table->Edit();
  table->FieldByName("DREVINA").SetAsString("BOROVICE");
  table->FieldByName("VEK").SetAsFloat(120);
  table->Post();
  table->Close();
  table->Open();
  EXPECT_EQ(table->FieldByName("DREVINA").AsString(), Padded("BOR", 40));
  EXPECT_EQ(table->FieldByName("VEK").AsFloat(), 120);
  EXPECT_EQ(table->FieldByName("VYSKA").AsFloat(), 27.3);
  table->Close();

  // Narrower than the schema: the file's width cuts too.
  WriteDbfFile("bon_Hm1.dbf", SiteClassFields(1), {SiteClassRecord("S", 1)});
  table->Open();
  table->Edit();
  table->FieldByName("DREVINA").SetAsString("ŽBO");
  EXPECT_EQ(table->FieldByName("DREVINA").AsString(), "Ž");
  table->Close();

  struct Mismatch {
    std::vector<DbfField> fields;
    const char* message;
  };
  std::vector<Mismatch> mismatches = {{SiteClassFields(3), "Table1: Type mismatch for field 'DREVINA', "
                                                           "expecting: String actual: Float"},
                                      {SiteClassFields(254), "Table1: Type mismatch for field 'VYSKA', "
                                                             "expecting: Float actual: String"},
                                      {SiteClassFields(254), "Table1: Field 'VEK' not found"}};
  mismatches[0].fields[0] = {"DREVINA", 'N', 20, 10};
  mismatches[1].fields[3] = {"VYSKA", 'C', 254};
  mismatches[2].fields[2] = {"STARI", 'N', 20, 10};
  for (const Mismatch& mismatch : mismatches) {
    std::vector<std::string> record;
    for (const DbfField& field : mismatch.fields) record.push_back(RightAligned("7", field.width));
    WriteDbfFile("bon_Hm1.dbf", mismatch.fields, {record});
    EXPECT_EQ(MessageOf([&] { table->Open(); }), mismatch.message);
    EXPECT_FALSE(table->Active());
  }
}

TEST_F(TableTest, TextIsCutByCharactersAndStoredInTheFilesCodePage) {
  WriteDbfFile("bon_Hm1.dbf", SiteClassFields(3), {SiteClassRecord("SM", 3), SiteClassRecord("\x80\x81\x9D", 3)});
  auto table = MakeSiteClassTable();
  table->Open();
  TField& species = table->FieldByName("DREVINA");
  table->Edit();
  species.SetAsString("ŘŽŠ");
  EXPECT_EQ(species.AsString(), "RŽŠ") << "Windows-1252 has Ž and Š, not Ř";
  species.SetText("Žluťoučký kůň");
  EXPECT_EQ(species.AsString(), "Žlu");
  table->Post();
  // Bytes Windows-1252 leaves undefined read as the control characters of the
  // same number, and are written back unchanged.
  EXPECT_EQ(table->RowValue(1, 0), Text("€\u0081\u009D"));
  table->MoveTo(1);
  table->Edit();
  species.SetAsString(species.AsString());
  table->Post();
  table->Close();
  const std::string file = FileText("bon_Hm1.dbf");
  EXPECT_NE(file.find(" \x8Elu" + RightAligned("1", 20)), std::string::npos);
  EXPECT_NE(file.find(" \x80\x81\x9D" + RightAligned("1", 20)), std::string::npos);

  // A schema with room for the whole name.
  WriteDbfFile("bon_Hm1.dbf", SiteClassFields(20), {});
  TTable wide("Table1", "bon_Hm1.dbf");
  wide.AddStringField("Table1DREVINA", "DREVINA", 20);
  wide.Open();
  wide.Insert();
  wide.FieldByName("DREVINA").SetAsString("Žluťoučký kůň úpěl ďábelské ódy");
  wide.Post();
  EXPECT_EQ(wide.RowValue(0, 0), Text("Žlutoucký kun úpel d"));
  wide.Close();
  EXPECT_NE(FileText("bon_Hm1.dbf").find(" \x8Elutouck\xFD kun \xFApel d" + std::string(100, ' ')), std::string::npos);
}

}  // namespace
}  // namespace dravlik
