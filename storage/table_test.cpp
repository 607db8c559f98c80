#include "table.h"

#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>

#include "schemas.h"
#include "table_test_support.h"

namespace dravlik {
namespace {

using testing::MessageOf;
using testing::TableTest;

TEST_F(TableTest, CreatesBothSchemasWithFieldsInOrder) {
  auto siteClass = OpenSiteClassTable();
  auto heightDiameter = MakeHeightDiameterTable();
  heightDiameter->CreateTable();
  heightDiameter->Close();  // puts the new, empty table in place
  heightDiameter->Open();
  EXPECT_TRUE(std::filesystem::exists("bon_Hm1.dbf"));
  EXPECT_TRUE(std::filesystem::exists("TloVysHm.dbf"));
  const char* siteClassFields[] = {"DREVINA", "BONITA", "VEK", "VYSKA", "TLOUSTKA", "HMOT"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(siteClass->Field(i).FieldName(), siteClassFields[i]);
    EXPECT_EQ(siteClass->Field(i).FieldNo(), i + 1);
    EXPECT_EQ(siteClass->Field(i).Name(), std::string("Table1") + siteClassFields[i]);
  }
  const char* heightDiameterFields[] = {"drevina", "tloustka", "vyska", "hmot"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(heightDiameter->Field(i).FieldName(), heightDiameterFields[i]);
  EXPECT_EQ(siteClass->Field(0).DataType(), ftString);
  EXPECT_EQ(siteClass->Field(0).Size(), 3);
  EXPECT_EQ(siteClass->Field(1).DataType(), ftFloat);
  EXPECT_EQ(static_cast<int>(ftFloat), 6);
  EXPECT_EQ(heightDiameter->DriverName(), "DBASE");
}

TEST_F(TableTest, FindsFieldsIgnoringLetterCase) {
  auto table = MakeHeightDiameterTable();
  EXPECT_EQ(&table->FieldByName("Hmot"), &table->Field(3));
  EXPECT_EQ(&table->FieldByName("DREVINA"), &table->Field(0));
  EXPECT_EQ(MessageOf([&] { table->FieldByName("objem"); }), "Table2: Field 'objem' not found");
}

TEST_F(TableTest, RecognisesFoxProTablesByTheirCompanionFiles) {
  auto table = MakeSiteClassTable();
  EXPECT_EQ(table->TableType(), TTableType::DBase);
  std::ofstream("bon_Hm1.CDX").put('x');
  EXPECT_EQ(table->TableType(), TTableType::FoxPro);
  EXPECT_EQ(table->DriverName(), "FOXPRO");
  std::filesystem::remove("bon_Hm1.CDX");
  std::ofstream("bon_Hm1.Fpt").put('x');
  EXPECT_EQ(table->DriverName(), "FOXPRO") << "extensions compare ignoring case";
  table->SetTableName("BON_HM1.DBF");
  EXPECT_EQ(table->TableType(), TTableType::DBase) << "the name itself keeps its case";
  table->SetTableName("data.db");
  EXPECT_EQ(table->DriverName(), "PARADOX");
  table->SetTableName("data.TXT");
  EXPECT_EQ(table->DriverName(), "ASCIIDRV");
  table->SetTableName("data.xyz");
  EXPECT_EQ(table->DriverName(), "PARADOX");
}

TEST_F(TableTest, RecreatesAFoxProTableThroughItsDriver) {
  std::ofstream("bon_Hm1.cdx").put('x');
  auto table = OpenSiteClassTable();
  AddRow(*table, "SM ", 12.5);
  table->Close();
  table->Open();
  EXPECT_EQ(table->DriverName(), "FOXPRO");
  EXPECT_EQ(table->FieldByName("VYSKA").AsFloat(), 12.5);
}

TEST_F(TableTest, RecreateReplacesWhateverTheFileHeld) {
  std::ofstream("bon_Hm1.dbf") << "no table at all";
  auto table = OpenSiteClassTable();
  AddRow(*table, "SM ", 1);
  table->Close();
  table->CreateTable();
  table->Open();
  EXPECT_TRUE(table->IsEmpty());
  EXPECT_EQ(table->CurrentRow(), -1);
  EXPECT_TRUE(table->FieldByName("DREVINA").IsNull()) << "no current record";
}

TEST_F(TableTest, FollowsTheStateTable) {
  auto table = MakeSiteClassTable();
  EXPECT_EQ(table->State(), dsInactive);
  table->CreateTable();
  EXPECT_EQ(table->State(), dsInactive);
  table->Open();
  EXPECT_EQ(table->State(), dsBrowse);
  table->Open();  // nothing happens
  EXPECT_EQ(table->State(), dsBrowse);

  table->Insert();
  EXPECT_EQ(table->State(), dsInsert);
  EXPECT_FALSE(table->Modified());
  table->FieldByName("DREVINA").SetAsString("SM ");
  EXPECT_TRUE(table->Modified());
  table->Insert();  // posts the modified record first
  EXPECT_EQ(table->State(), dsInsert);
  EXPECT_EQ(table->RecordCount(), 1);
  table->Insert();  // drops the unmodified one
  EXPECT_EQ(table->RecordCount(), 1);
  table->Cancel();
  EXPECT_EQ(table->State(), dsBrowse);

  table->Edit();
  EXPECT_EQ(table->State(), dsEdit);
  table->FieldByName("VEK").SetAsInteger(20);
  table->Post();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->FieldByName("VEK").AsFloat(), 20.0);

  table->Insert();
  table->Delete();  // acts as cancel
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 1);
  table->Delete();
  EXPECT_EQ(table->RecordCount(), 0);

  table->Insert();
  table->FieldByName("DREVINA").SetAsString("BO ");
  table->Close();  // the pending record is dropped, not posted
  EXPECT_EQ(table->State(), dsInactive);
  table->Close();
  table->Open();
  EXPECT_EQ(table->RecordCount(), 0);
}

TEST_F(TableTest, RecreateIsRefusedWhileARecordIsPending) {
  auto table = OpenSiteClassTable();
  table->Insert();
  table->FieldByName("DREVINA").SetAsString("SM ");
  EXPECT_EQ(MessageOf([&] { table->CreateTable(); }), "Table1: Cannot perform this operation on an open dataset");
  EXPECT_EQ(table->State(), dsInsert);
  EXPECT_EQ(table->FieldByName("DREVINA").AsString(), "SM ");
  table->Post();
  EXPECT_EQ(table->RecordCount(), 1);
}

TEST_F(TableTest, CancelRestoresAndLeavesNoTrace) {
  auto table = OpenSiteClassTable();
  AddRow(*table, "SM ", 10);
  table->Edit();
  table->FieldByName("VYSKA").SetAsFloat(99);
  table->Cancel();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_FALSE(table->Modified());
  EXPECT_EQ(table->FieldByName("VYSKA").AsFloat(), 10.0);
  table->Insert();
  table->FieldByName("VYSKA").SetAsFloat(77);
  table->Cancel();
  EXPECT_EQ(table->FieldByName("VYSKA").AsFloat(), 10.0) << "back on the record the insert stood before";
  table->Close();
  table->Open();
  EXPECT_EQ(table->RecordCount(), 1);
  EXPECT_EQ(table->FieldByName("VYSKA").AsFloat(), 10.0);
}

TEST_F(TableTest, InsertPostsAModifiedEditFirst) {
  auto table = OpenSiteClassTable();
  AddRow(*table, "SM ", 10);
  table->Edit();
  table->FieldByName("VYSKA").SetAsFloat(11);
  table->Insert();
  EXPECT_EQ(table->State(), dsInsert);
  table->Cancel();
  table->Close();
  table->Open();
  EXPECT_EQ(table->FieldByName("VYSKA").AsFloat(), 11.0);
}

TEST_F(TableTest, DeleteKeepsTheFollowingRecordCurrent) {
  auto table = OpenSiteClassTable();
  for (int i = 0; i < 4; ++i) AddRow(*table, "SM ", i);
  table->MoveTo(1);
  table->Delete();
  EXPECT_EQ(table->CurrentRow(), 1);
  EXPECT_EQ(table->FieldByName("VYSKA").AsFloat(), 2.0);
  table->MoveTo(2);
  table->Edit();
  table->FieldByName("VYSKA").SetAsFloat(50);
  table->Delete();  // the pending edit goes with the record
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(table->CurrentRow(), 1) << "the last record deleted: the one before is current";
  table->Edit();  // the deleted record's lock is gone with it
  table->FieldByName("VYSKA").SetAsFloat(20);
  table->Post();
  table->Close();
  table->Open();
  EXPECT_EQ(Number(*table, 0, "VYSKA"), 0.0);
  EXPECT_EQ(Number(*table, 1, "VYSKA"), 20.0);
}

TEST_F(TableTest, MovingOnAnEmptyTableOrToTheCurrentRowDoesNothing) {
  auto table = OpenSiteClassTable();
  table->MoveTo(5);
  EXPECT_EQ(table->CurrentRow(), -1);
  table->Insert();
  table->FieldByName("VYSKA").SetAsFloat(3);
  table->MoveTo(table->CurrentRow());
  EXPECT_EQ(table->State(), dsInsert) << "staying on the pending record keeps it pending";
  table->MoveTo(0);  // the pending record is row 0 itself
  EXPECT_EQ(table->State(), dsInsert);
  table->MoveTo(1);  // past it: posted
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 1);
}

TEST_F(TableTest, EditOnAnEmptyTableInserts) {
  auto table = OpenSiteClassTable();
  table->Edit();
  EXPECT_EQ(table->State(), dsInsert);
}

TEST_F(TableTest, RefusesOperationsInTheWrongStateWithTheTableName) {
  auto table = MakeSiteClassTable();
  EXPECT_EQ(MessageOf([&] { table->Insert(); }), "Table1: Cannot perform this operation on a closed dataset");
  EXPECT_EQ(MessageOf([&] { table->Delete(); }), "Table1: Cannot perform this operation on a closed dataset");
  table->CreateTable();
  table->Open();
  EXPECT_EQ(MessageOf([&] { table->FieldByName("VEK").SetAsFloat(1); }),
            "Table1: Dataset not in edit or insert mode");
  EXPECT_EQ(MessageOf([&] { table->Post(); }), "Table1: Dataset not in edit or insert mode");
  EXPECT_EQ(MessageOf([&] { table->Delete(); }), "Table1: Cannot perform this operation on an empty dataset");
  AddRow(*table, "SM ", 10);
  EXPECT_EQ(MessageOf([&] { table->CreateTable(); }), "Table1: Cannot perform this operation on an open dataset");
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 1);

  auto unnamed = MakeSiteClassTable();
  unnamed->SetTableName("");
  EXPECT_EQ(MessageOf([&] { unnamed->Open(); }), "Table1: Missing TableName property");
  EXPECT_FALSE(unnamed->Active());
}

TEST_F(TableTest, FieldChecksNameOnlyTheField) {
  auto table = OpenSiteClassTable();
  table->Insert();
  table->FieldByName("VEK").SetReadOnly(true);
  EXPECT_EQ(MessageOf([&] { table->FieldByName("VEK").SetAsFloat(1); }), "Field 'VEK' cannot be modified");
  static_cast<TFloatField&>(table->FieldByName("BONITA")).SetRange(10, 40);
  EXPECT_EQ(MessageOf([&] { table->FieldByName("BONITA").SetAsFloat(45.5); }),
            "45.5 is not a valid value for field 'BONITA'. The allowed range is 10 to 40");
  table->FieldByName("HMOT").SetRequired(true);
  table->FieldByName("HMOT").SetDisplayLabel("Objem");
  EXPECT_EQ(MessageOf([&] { table->Post(); }), "Field 'Objem' must have a value");
  EXPECT_EQ(table->State(), dsInsert);
}

TEST_F(TableTest, StoresValuesAsTheSettersSay) {
  auto table = OpenSiteClassTable();
  table->Insert();
  table->FieldByName("DREVINA").SetAsString("SMRK");
  table->FieldByName("BONITA").SetAsInteger(14);
  table->FieldByName("VYSKA").SetAsFloat(0.1 + 0.2);
  table->FieldByName("TLOUSTKA").SetAsFloat(-1.23456789012345e-85);
  table->Post();
  table->Close();
  table->Open();
  EXPECT_EQ(table->FieldByName("DREVINA").AsString(), "SMR");
  EXPECT_EQ(table->FieldByName("BONITA").AsFloat(), 14.0);
  EXPECT_EQ(table->FieldByName("VYSKA").AsFloat(), 0.1 + 0.2);
  EXPECT_EQ(table->FieldByName("TLOUSTKA").AsFloat(), -1.23456789012345e-85);
  EXPECT_TRUE(table->FieldByName("VEK").IsNull());
  EXPECT_TRUE(table->FieldByName("HMOT").IsNull());
}

TEST_F(TableTest, TextFromACellEditor) {
  auto table = OpenSiteClassTable();
  table->Insert();
  TField& height = table->FieldByName("VYSKA");
  height.SetText(" 12.5 ");
  EXPECT_EQ(height.AsFloat(), 12.5);
  EXPECT_EQ(MessageOf([&] { height.SetText("12,5x"); }),
            "'12,5x' is not a valid floating point value for field 'VYSKA'");
  EXPECT_EQ(MessageOf([&] { height.SetText("nan"); }), "'nan' is not a valid floating point value for field 'VYSKA'");
  EXPECT_EQ(height.AsFloat(), 12.5);
  height.SetText("");
  EXPECT_TRUE(height.IsNull());
  table->FieldByName("DREVINA").SetText("ČŘ");  // characters, not bytes, count
  EXPECT_EQ(table->FieldByName("DREVINA").AsString(), "CR ");  // in Windows-1252, blank-padded
}

TEST_F(TableTest, TypedNumbersOfFifteenDigitsReadBackIdentical) {
  auto table = OpenSiteClassTable();
  const char* typed[] = {"0.123456789012345", "123456789012345", "-98765.4321098765", "1e-300", "12.3", "0.1"};
  for (const char* text : typed) {
    table->Insert();
    table->FieldByName("HMOT").SetText(text);
    table->Post();
  }
  table->Close();
  table->Open();
  for (int row = 0; row < 6; ++row) {
    const double stored = Number(*table, row, "HMOT");
    EXPECT_EQ(stored, std::stod(typed[row])) << typed[row];
    EXPECT_EQ(ParseFloat(FormatFloat(stored), '.'), stored) << "shown and typed back unchanged";
  }
}

TEST_F(TableTest, AValueTheFieldCannotHoldIsRefusedNotCut) {
  auto table = OpenSiteClassTable();
  table->Insert();
  table->FieldByName("HMOT").SetAsFloat(2.5);
  try {
    table->FieldByName("HMOT").SetAsFloat(-1.2345678901234567e-300);
    FAIL() << "stored a value wider than the field";
  } catch (const EDBEngineError& e) {
    EXPECT_NE(std::string(e.what()).find("HMOT"), std::string::npos) << e.what();
  }
  EXPECT_EQ(table->FieldByName("HMOT").AsFloat(), 2.5);
}

TEST(ParseFloat, TakesOnlyTheGivenSeparator) {
  EXPECT_EQ(ParseFloat("12,5", ','), 12.5);
  EXPECT_EQ(ParseFloat(" -1,5e3 ", ','), -1500.0);
  EXPECT_EQ(ParseFloat("12.5", ','), std::nullopt);
  EXPECT_EQ(ParseFloat("12,5", '.'), std::nullopt);
  EXPECT_EQ(ParseFloat("+7", '.'), 7.0);
  for (const char* bad : {"", " ", "+", "+-1", "1e400", "inf", "nan", "0x10", "1 2", "--1"}) {
    EXPECT_EQ(ParseFloat(bad, '.'), std::nullopt) << bad;
  }
}

TEST(FormatFloat, ShowsUpToFifteenSignificantDigits) {
  EXPECT_EQ(FormatFloat(12.3), "12.3");
  EXPECT_EQ(FormatFloat(0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatFloat(1234567.891, ','), "1234567,891");
  EXPECT_EQ(FormatFloat(14), "14");
  EXPECT_EQ(FormatFloat(-1.23456789012345e-85), "-1.23456789012345e-85");
  EXPECT_EQ(DisplayText(FieldValue{std::string("SM ")}, ','), "SM ");
  EXPECT_EQ(DisplayText(FieldValue{2.5}, ','), "2,5");
  EXPECT_EQ(DisplayText(FieldValue{}, ','), "");
}

TEST_F(TableTest, RejectsPersistentFieldsTheFileLacks) {
  OpenSiteClassTable()->Close();
  TTable extra("Table1", "bon_Hm1.dbf");
  extra.AddFloatField("Table1OBJEM", "OBJEM");
  EXPECT_EQ(MessageOf([&] { extra.Open(); }), "Table1: Field 'OBJEM' not found");
  EXPECT_FALSE(extra.Active());
  TTable mismatch("Table1", "bon_Hm1.dbf");
  mismatch.AddFloatField("Table1DREVINA", "drevina");
  EXPECT_EQ(MessageOf([&] { mismatch.Open(); }),
            "Table1: Type mismatch for field 'drevina', expecting: Float actual: String");
  EXPECT_FALSE(mismatch.Active());
}

}  // namespace
}  // namespace dravlik
