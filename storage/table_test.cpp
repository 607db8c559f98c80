#include "table.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "schemas.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

using testing::InChildProcess;

class TableTest : public testing::InFreshDirectory {
 protected:
  // A fresh, open site-class table.
  std::unique_ptr<TTable> OpenSiteClassTable() {
    auto table = MakeSiteClassTable();
    table->CreateTable();
    table->Open();
    return table;
  }

  static void AddRow(TTable& table, const std::string& species, double height) {
    table.Insert();
    table.FieldByName("DREVINA").SetAsString(species);
    table.FieldByName("VYSKA").SetAsFloat(height);
    table.Post();
  }
};

template <class Operation>
std::string MessageOf(Operation operation) {
  try {
    operation();
  } catch (const EDatabaseError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST_F(TableTest, CreatesBothSchemasWithFieldsInOrder) {
  auto siteClass = OpenSiteClassTable();
  auto heightDiameter = MakeHeightDiameterTable();
  heightDiameter->CreateTable();
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
  table->SetTableName("BON_HM1.DBF");
  EXPECT_EQ(table->TableType(), TTableType::DBase);  // no BON_HM1.CDX
  table->SetTableName("data.db");
  EXPECT_EQ(table->DriverName(), "PARADOX");
  table->SetTableName("data.TXT");
  EXPECT_EQ(table->DriverName(), "ASCIIDRV");
  table->SetTableName("data.xyz");
  EXPECT_EQ(table->DriverName(), "PARADOX");
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
  EXPECT_EQ(MessageOf([&] { table->Post(); }), "Field 'HMOT' must have a value");
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
  table->FieldByName("DREVINA").SetText("ČŘ");  // a character of two bytes is never split
  EXPECT_EQ(table->FieldByName("DREVINA").AsString(), "Č ");  // stored blank-padded
}

TEST(FormatFloat, ShowsUpToFifteenSignificantDigits) {
  EXPECT_EQ(FormatFloat(12.3), "12.3");
  EXPECT_EQ(FormatFloat(0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatFloat(1234567.891, ','), "1234567,891");
  EXPECT_EQ(FormatFloat(14), "14");
  EXPECT_EQ(FormatFloat(-1.23456789012345e-85), "-1.23456789012345e-85");
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

TEST_F(TableTest, RecreatingATableThatIsOpenElsewhereIsRefused) {
  auto writer = OpenSiteClassTable();
  AddRow(*writer, "SM ", 10);
  auto other = MakeSiteClassTable();
  try {
    other->CreateTable();
    FAIL() << "recreated a table in use";
  } catch (const EDBEngineError& e) {
    EXPECT_NE(std::string(e.what()).find("bon_Hm1.dbf"), std::string::npos) << e.what();
  }
  writer->Close();
  other->Open();
  EXPECT_EQ(other->RecordCount(), 1);  // the old file is whole
}

TEST_F(TableTest, ReadOnlyFileOpensReadOnly) {
  OpenSiteClassTable()->Close();
  chmod("bon_Hm1.dbf", 0444);
  chmod(".", 0777);
  const int result = InChildProcess([] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;  // root may write anything
    auto table = MakeSiteClassTable();
    table->Open();
    if (table->CanModify()) return 3;
    return MessageOf([&] { table->Insert(); }) == "Table1: Cannot modify a read-only dataset" ? 0 : 4;
  });
  EXPECT_EQ(result, 0);
}

TEST_F(TableTest, AFullDiskNamesTheTableAndKeepsWhatWasPosted) {
  const int result = InChildProcess([] {
    signal(SIGXFSZ, SIG_IGN);
    auto table = MakeSiteClassTable();
    table->CreateTable();
    table->Open();
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      for (int i = 0; i < 1000; ++i) AddRow(*table, "SM ", i);
    } catch (const EDBEngineError& e) {
      const std::string message = e.what();
      const bool named = message.find("bon_Hm1.dbf") != std::string::npos;
      const bool reason = message.find(std::strerror(EFBIG)) != std::string::npos;
      return named && reason ? 0 : 5;
    }
    return 6;
  });
  ASSERT_EQ(result, 0);
  auto table = MakeSiteClassTable();
  table->Open();
  EXPECT_GT(table->RecordCount(), 0);
  EXPECT_LT(table->RecordCount(), 1000);
  table->MoveTo(table->RecordCount() - 1);
  EXPECT_EQ(table->FieldByName("VYSKA").AsFloat(), table->RecordCount() - 1);
}

// Records what a grid would be told.
class RecordingLink : public TDataLink {
 public:
  void ActiveChanged() override { events += "A"; }
  void DataSetChanged() override { events += "C"; }
  void DataSetScrolled() override { events += "S"; }
  void RecordChanged(const TField& field) override { events += "R(" + field.FieldName() + ")"; }
  void EditingChanged() override { events += "E"; }
  void UpdateData() override { events += "U"; }
  std::string events;
};

TEST_F(TableTest, TellsItsLinksWhatChanged) {
  auto table = MakeSiteClassTable();
  table->CreateTable();
  RecordingLink link;
  table->AddLink(link);
  table->Open();
  EXPECT_EQ(link.events, "AC");
  link.events.clear();
  AddRow(*table, "SM ", 10);
  EXPECT_EQ(link.events, "ECR(DREVINA)R(VYSKA)UEC");
  link.events.clear();
  AddRow(*table, "BO ", 11);
  link.events.clear();
  table->MoveTo(0);
  EXPECT_EQ(link.events, "S");
  table->RemoveLink(link);
  table->Close();
  EXPECT_EQ(link.events, "S");
}

TEST_F(TableTest, GridRowsAreReadOnlyWhereShown) {
  auto table = MakeHeightDiameterTable();
  table->CreateTable();
  table->Open();
  for (int row = 0; row < 32708; ++row) {
    table->Insert();
    table->FieldByName("drevina").SetAsString("SM ");
    table->FieldByName("vyska").SetAsInteger(row);
    table->Post();
  }
  table->Close();
  table->Open();
  EXPECT_EQ(table->RowCount(), 32708);
  const std::uint64_t before = table->RecordsRead();
  EXPECT_EQ(std::get<double>(table->RowValue(32707, 2)), 32707.0);
  EXPECT_EQ(std::get<std::string>(table->RowValue(32700, 0)), "SM ");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(table->RowValue(32706, 3)));
  EXPECT_LE(table->RecordsRead() - before, 2u * 64);  // the two windows shown
  table->MoveTo(32707);
  EXPECT_EQ(table->FieldByName("vyska").AsFloat(), 32707.0);
}

TEST_F(TableTest, APendingRecordIsARowOfItsOwn) {
  auto table = OpenSiteClassTable();
  for (int i = 0; i < 3; ++i) AddRow(*table, "SM ", i);
  table->MoveTo(1);
  table->Insert();
  EXPECT_EQ(table->RowCount(), 4);
  EXPECT_EQ(table->InsertRow(), 1);
  table->FieldByName("VYSKA").SetAsFloat(99);
  EXPECT_EQ(std::get<double>(table->RowValue(1, 3)), 99.0);
  EXPECT_EQ(std::get<double>(table->RowValue(2, 3)), 1.0);
  table->MoveTo(3);  // posts: the new record goes to the end
  EXPECT_EQ(table->RowCount(), 4);
  EXPECT_EQ(std::get<double>(table->RowValue(3, 3)), 99.0);
  EXPECT_EQ(table->CurrentRow(), 2);

  table->MoveTo(0);
  table->Edit();
  table->FieldByName("VYSKA").SetAsFloat(42);
  EXPECT_EQ(std::get<double>(table->RowValue(0, 3)), 42.0);
  std::get<double>(table->RowValue(3, 3));  // a grid reading other rows meanwhile
  table->Post();
  EXPECT_EQ(std::get<double>(table->RowValue(0, 3)), 42.0);
  EXPECT_EQ(std::get<double>(table->RowValue(3, 3)), 99.0);
}

}  // namespace
}  // namespace dravlik
