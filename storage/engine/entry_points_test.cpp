// The C interface as a caller meets it: session, texts and error context,
// the standard database, translation, field values and handles.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

dbfe_environment English() {
  dbfe_environment env{};
  std::strcpy(env.language, "0009");
  return env;
}

std::string StatusText(dbfe_status status) {
  char text[DBFE_MAX_MESSAGE + 1] = {};
  (void)dbfe_get_status_text(status, text, sizeof text);  // the text is what the tests look at
  return text;
}

TEST(Session, AnswersNotInitialisedBeforeInitAndAfterTheLastExit) {
  dbfe_database database = nullptr;
  EXPECT_EQ(dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database),
            DBFE_ERR_NOT_INITIALISED);
  EXPECT_EQ(dbfe_exit(), DBFE_ERR_NOT_INITIALISED);
  EXPECT_EQ(dbfe_set_to_begin(nullptr), DBFE_ERR_NOT_INITIALISED);
  EXPECT_EQ(StatusText(DBFE_ERR_NOT_INITIALISED), "Database engine is not initialised.");

  const dbfe_environment env = English();
  EXPECT_EQ(dbfe_init(499, &env), DBFE_ERR_VERSION_NOT_SUPPORTED);
  EXPECT_EQ(dbfe_init(DBFE_INTERFACE_VERSION, &env), DBFE_OK);
  EXPECT_EQ(dbfe_init(DBFE_INTERFACE_VERSION, &env), DBFE_WARN_ALREADY_INITIALISED);
  EXPECT_EQ(dbfe_exit(), DBFE_OK);
  EXPECT_EQ(dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database), DBFE_OK);
  EXPECT_EQ(dbfe_close_database(&database), DBFE_OK);
  EXPECT_EQ(dbfe_exit(), DBFE_OK);
  EXPECT_EQ(dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database),
            DBFE_ERR_NOT_INITIALISED);
}

TEST(Session, LastExitClosesWhatIsStillOpen) {
  ScratchDirectory directory;
  const std::string path = directory / "t.dbf";
  {
    EngineSession session;
    ASSERT_EQ(CreateHeightDiameterTable(path), DBFE_OK);
    dbfe_database database = nullptr;
    dbfe_cursor cursor = nullptr;
    ASSERT_EQ(dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database), DBFE_OK);
    ASSERT_EQ(dbfe_open_table(database, path.c_str(), "DBASE", nullptr, DBFE_READ_WRITE,
                              DBFE_SHARED, true, true, &cursor), DBFE_OK);
  }
  EngineSession session;
  EXPECT_EQ(CreateHeightDiameterTable(path), DBFE_OK);  // no lock left behind
}

TEST(ErrorContext, GivesEachFailureItsEntriesFromOne) {
  EngineSession session;
  dbfe_logical_field field{};
  std::strcpy(field.name, "TOOLONGNAME");
  field.type = DBFE_TYPE_FLOAT;
  dbfe_field_desc physical{};
  const dbfe_status status = dbfe_translate_record_structure("DBASE", 1, &field, &physical);
  EXPECT_EQ(status, DBFE_ERR_INVALID_FIELD_NAME);
  EXPECT_EQ(FailureLines(status), (std::vector<std::string>{
                                      "Invalid field name.", "Field: TOOLONGNAME",
                                      "A field name has at most 10 characters."}));
  std::int32_t native = -1;
  char text[8] = "x";
  EXPECT_EQ(dbfe_get_error_entry(0, &native, text, sizeof text), DBFE_OK);
  EXPECT_EQ(dbfe_get_error_entry(2, &native, text, sizeof text), DBFE_ERR_INVALID_FIELD_NAME);
  EXPECT_STREQ(text, "A field");  // cut to the buffer
  EXPECT_EQ(dbfe_get_error_entry(3, &native, text, sizeof text), DBFE_OK);
  EXPECT_EQ(native, 0);
  // Reading texts between the entries leaves the context as it is.
  EXPECT_EQ(StatusText(0x7777), "Unknown database engine status $7777.");
  EXPECT_EQ(dbfe_get_error_entry(1, &native, text, sizeof text), DBFE_ERR_INVALID_FIELD_NAME);
}

TEST(StandardDatabase, IsTheWorkingDirectoryUnlessSetOtherwise) {
  EngineSession session;
  ScratchDirectory directory;
  dbfe_database database = nullptr;
  EXPECT_EQ(dbfe_open_database("MYDB", nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database),
            DBFE_ERR_DATABASE_NOT_SUPPORTED);
  ASSERT_EQ(dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database), DBFE_OK);
  char type[16];
  EXPECT_EQ(dbfe_get_database_property(database, DBFE_PROP_DATABASE_TYPE, type, sizeof type), DBFE_OK);
  EXPECT_STREQ(type, "STANDARD");
  EXPECT_EQ(dbfe_get_database_property(database, DBFE_PROP_DATABASE_TYPE, type, 4), DBFE_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(dbfe_get_database_property(database, 0x12345, type, sizeof type), DBFE_ERR_UNKNOWN_PROPERTY);
  EXPECT_EQ(dbfe_set_directory(database, (directory / "missing").c_str()), DBFE_ERR_DIRECTORY_NOT_FOUND);

  dbfe_field_desc field{};
  std::strcpy(field.name, "DREVINA");
  field.type = DBFE_TYPE_ZSTRING;
  field.units1 = 3;  // no physical type: the engine translates it
  dbfe_table_desc table{};
  std::strcpy(table.name, "bon_Hm1.dbf");
  std::strcpy(table.driver, "DBASE");

  char old_directory[4096];
  ASSERT_NE(::getcwd(old_directory, sizeof old_directory), nullptr);
  ASSERT_EQ(::chdir(directory.path().c_str()), 0);
  EXPECT_EQ(dbfe_set_directory(database, ""), DBFE_OK);
  EXPECT_EQ(dbfe_create_table(database, true, &table, 1, &field), DBFE_OK);
  ASSERT_EQ(::chdir(old_directory), 0);
  EXPECT_EQ(FilesIn(directory.path()), std::vector<std::string>{"bon_Hm1.dbf"});

  ScratchDirectory other;
  EXPECT_EQ(dbfe_set_directory(database, other.path().c_str()), DBFE_OK);
  EXPECT_EQ(dbfe_create_table(database, false, &table, 1, &field), DBFE_OK);
  EXPECT_EQ(dbfe_create_table(database, false, &table, 1, &field), DBFE_ERR_TABLE_EXISTS);
  dbfe_cursor cursor = nullptr;
  EXPECT_EQ(dbfe_open_table(database, "bon_Hm1.dbf", "DBASE", nullptr, DBFE_READ_WRITE, DBFE_SHARED,
                            true, true, &cursor), DBFE_OK);
  EXPECT_EQ(dbfe_close_cursor(&cursor), DBFE_OK);
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(dbfe_open_table(database, "nothing.dbf", "DBASE", nullptr, DBFE_READ_WRITE, DBFE_SHARED,
                            true, true, &cursor), DBFE_ERR_TABLE_NOT_FOUND);
  EXPECT_EQ(dbfe_close_database(&database), DBFE_OK);
  EXPECT_EQ(dbfe_close_database(&database), DBFE_ERR_INVALID_HANDLE);
}

TEST(TranslateRecordStructure, GivesStringsTheirSizeAndFloatsARealNumericField) {
  EngineSession session;
  dbfe_logical_field logical[2]{};
  std::strcpy(logical[0].name, "DREVINA");
  logical[0].type = DBFE_TYPE_ZSTRING;
  logical[0].units1 = 3;
  std::strcpy(logical[1].name, "hmot");
  logical[1].type = DBFE_TYPE_FLOAT;
  for (const char* driver : {"DBASE", "FOXPRO"}) {
    dbfe_field_desc physical[2]{};
    ASSERT_EQ(dbfe_translate_record_structure(driver, 2, logical, physical), DBFE_OK);
    EXPECT_EQ(physical[0].number, 1);
    EXPECT_STREQ(physical[0].name, "DREVINA");
    EXPECT_EQ(physical[0].physical_type, 'C');
    EXPECT_EQ(physical[0].width, 3);
    EXPECT_EQ(physical[0].offset, 1);
    EXPECT_EQ(physical[1].number, 2);
    EXPECT_STREQ(physical[1].name, "hmot");
    EXPECT_EQ(physical[1].physical_type, 'N');
    EXPECT_EQ(physical[1].width, 20);
    EXPECT_EQ(physical[1].decimals, 10);
    EXPECT_EQ(physical[1].offset, 4);
  }
  dbfe_field_desc physical[2]{};
  for (const char* driver : {"PARADOX", "ASCIIDRV"}) {
    const dbfe_status status = dbfe_translate_record_structure(driver, 2, logical, physical);
    EXPECT_EQ(status, DBFE_ERR_DRIVER_NOT_SUPPORTED);
    EXPECT_EQ(FailureLines(status).back(), std::string("Driver: ") + driver);
  }
  logical[1].type = 99;
  EXPECT_EQ(dbfe_translate_record_structure("DBASE", 2, logical, physical), DBFE_ERR_INVALID_FIELD_DEFINITION);
}

class FieldValues : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
    table_ = std::make_unique<OpenTable>(path_);
    ASSERT_EQ(table_->status(), DBFE_OK);
    record_ = table_->NewRecord();
  }

  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
  std::unique_ptr<OpenTable> table_;
  std::vector<std::uint8_t> record_;
};

TEST_F(FieldValues, StartEmptyAndComeBackAsStoredWithTheTrailingBlank) {
  char code[3 * 3 + 1] = "abc";
  bool empty = false;
  double value = 1.0;
  EXPECT_EQ(dbfe_get_field(table_->cursor(), 1, record_.data(), code, &empty), DBFE_OK);
  EXPECT_TRUE(empty);
  EXPECT_EQ(dbfe_get_field(table_->cursor(), 4, record_.data(), &value, &empty), DBFE_OK);
  EXPECT_TRUE(empty);

  EXPECT_EQ(dbfe_put_field(table_->cursor(), 1, record_.data(), "SM "), DBFE_OK);
  EXPECT_EQ(dbfe_get_field(table_->cursor(), 1, record_.data(), code, &empty), DBFE_OK);
  EXPECT_STREQ(code, "SM ");
  EXPECT_FALSE(empty);
  EXPECT_EQ(dbfe_put_field(table_->cursor(), 1, record_.data(), "DGXYZ"), DBFE_OK);
  EXPECT_EQ(dbfe_get_field(table_->cursor(), 1, record_.data(), code, &empty), DBFE_OK);
  EXPECT_STREQ(code, "DGX");
  EXPECT_EQ(dbfe_put_field(table_->cursor(), 1, record_.data(), nullptr), DBFE_OK);
  EXPECT_EQ(dbfe_get_field(table_->cursor(), 1, record_.data(), code, &empty), DBFE_OK);
  EXPECT_TRUE(empty);

  const double fourteen = 14;
  EXPECT_EQ(dbfe_put_field(table_->cursor(), 2, record_.data(), &fourteen), DBFE_OK);
  EXPECT_EQ(dbfe_get_field(table_->cursor(), 2, record_.data(), &value, &empty), DBFE_OK);
  EXPECT_EQ(value, 14.0);
  EXPECT_FALSE(empty);
}

TEST_F(FieldValues, TextIsUtf8ForTheCallerAndWindows1252InTheRecord) {
  ASSERT_EQ(dbfe_put_field(table_->cursor(), 1, record_.data(), "ŘŽŠX"), DBFE_OK);
  EXPECT_EQ(std::string(record_.begin() + 1, record_.begin() + 4), "R\x8E\x8A");
  // Three bytes of UTF-8 for each stored byte, and the NUL: no more.
  for (const std::string& stored : {std::string("R\x8E\x8A"), std::string("\x80\x80\x80")}) {
    std::copy(stored.begin(), stored.end(), record_.begin() + 1);
    char value[3 * 3 + 1 + 8];
    std::memset(value, '#', sizeof value);
    bool empty = true;
    ASSERT_EQ(dbfe_get_field(table_->cursor(), 1, record_.data(), value, &empty), DBFE_OK);
    EXPECT_FALSE(empty);
    EXPECT_STREQ(value, stored[0] == 'R' ? "RŽŠ" : "€€€");
    EXPECT_EQ(std::string(value + 10, 8), "########");
  }

  // Untranslated, the bytes pass as they are.
  dbfe_database database = nullptr;
  dbfe_cursor raw = nullptr;
  ASSERT_EQ(dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database), DBFE_OK);
  ASSERT_EQ(dbfe_open_table(database, path_.c_str(), "DBASE", nullptr, DBFE_READ_ONLY, DBFE_SHARED, false, true, &raw),
            DBFE_OK);
  ASSERT_EQ(dbfe_put_field(raw, 1, record_.data(), "ŘŽ"), DBFE_OK);
  EXPECT_EQ(std::string(record_.begin() + 1, record_.begin() + 4), "\xC5\x98\xC5");
  char value[3 + 1];
  ASSERT_EQ(dbfe_get_field(raw, 1, record_.data(), value, nullptr), DBFE_OK);
  EXPECT_STREQ(value, "\xC5\x98\xC5");
  EXPECT_EQ(dbfe_close_cursor(&raw), DBFE_OK);
  EXPECT_EQ(dbfe_close_database(&database), DBFE_OK);
}

TEST_F(FieldValues, RefusesAValueThatDoesNotFitNamingTableFieldAndValue) {
  for (const double value : {std::numeric_limits<double>::max(), std::nan(""),
                             -std::numeric_limits<double>::infinity()}) {
    const std::vector<std::uint8_t> before = record_;
    const dbfe_status status = dbfe_put_field(table_->cursor(), 4, record_.data(), &value);
    EXPECT_EQ(status, DBFE_ERR_VALUE_DOES_NOT_FIT);
    const std::vector<std::string> lines = FailureLines(status);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Value cannot be stored exactly in the field.");
    EXPECT_EQ(lines[1], "Table: " + path_);
    EXPECT_EQ(lines[2], "Field: hmot");
    EXPECT_EQ(record_, before);
  }
  const double value = std::numeric_limits<double>::max();
  ASSERT_EQ(dbfe_put_field(table_->cursor(), 4, record_.data(), &value), DBFE_ERR_VALUE_DOES_NOT_FIT);
  EXPECT_EQ(FailureLines(DBFE_ERR_VALUE_DOES_NOT_FIT)[3], "Value: 1.7976931348623157e+308");
}

TEST_F(FieldValues, RefusesBadFieldNumbersAndHandles) {
  const double value = 1;
  EXPECT_EQ(dbfe_put_field(table_->cursor(), 0, record_.data(), &value), DBFE_ERR_INVALID_PARAMETER);
  EXPECT_EQ(dbfe_put_field(table_->cursor(), 5, record_.data(), &value), DBFE_ERR_INVALID_PARAMETER);
  EXPECT_EQ(dbfe_put_field(table_->cursor(), 2, nullptr, &value), DBFE_ERR_INVALID_PARAMETER);
  int not_a_cursor = 0;
  EXPECT_EQ(dbfe_put_field(reinterpret_cast<dbfe_cursor>(&not_a_cursor), 2, record_.data(), &value),
            DBFE_ERR_INVALID_HANDLE);
  EXPECT_EQ(dbfe_set_cursor_property(table_->cursor(), DBFE_PROP_INSERT_WITHOUT_LOCK, 1), DBFE_OK);
  EXPECT_EQ(dbfe_set_cursor_property(table_->cursor(), 0x1234, 1), DBFE_ERR_UNKNOWN_PROPERTY);
}

TEST_F(FieldValues, DescribeTheFieldsWithTheirNamesInTheirCase) {
  dbfe_cursor_props props{};
  ASSERT_EQ(dbfe_get_cursor_props(table_->cursor(), &props), DBFE_OK);
  EXPECT_EQ(props.field_count, 4);
  EXPECT_EQ(props.record_size, 64);
  EXPECT_FALSE(props.read_only);
  dbfe_field_desc fields[4]{};
  ASSERT_EQ(dbfe_get_field_descs(table_->cursor(), fields), DBFE_OK);
  EXPECT_STREQ(fields[0].name, "drevina");
  EXPECT_EQ(fields[0].type, DBFE_TYPE_ZSTRING);
  EXPECT_EQ(fields[0].units1, 3);
  EXPECT_STREQ(fields[3].name, "hmot");
  EXPECT_EQ(fields[3].type, DBFE_TYPE_FLOAT);
  EXPECT_EQ(fields[3].offset, 44);
}

}  // namespace
}  // namespace dbfe::testing
