// Files written through the engine, read by GDAL/OGR and by dbfread: the same
// species codes, the identical doubles, and null where a field is empty.
#include <gtest/gtest.h>

#include <cstring>

#include "test_rows.h"
#include "test_support.h"

namespace dbfe::testing {
namespace {

std::string Bits(const std::optional<double>& value) {
  if (!value) return "null";
  std::uint64_t bits;
  std::memcpy(&bits, &*value, sizeof bits);
  return std::to_string(bits);
}

// Compares what a reader saw with the rows written, field by field.
void ExpectReaderSees(const std::string& reader, const ReaderView& view, const std::vector<Row>& rows) {
  ASSERT_EQ(view.records.size(), rows.size()) << reader;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::vector<std::string>& seen = view.records[i];
    ASSERT_EQ(seen.size(), 4u) << reader << " row " << i;
    // dbfread gives the stored characters; GDAL trims trailing blanks, and
    // takes an all-blank string for null.
    std::string code = rows[i].drevina;
    if (reader == "gdal") {
      code.erase(code.find_last_not_of(' ') + 1);
      if (code.empty()) code = "<null>";
    }
    EXPECT_EQ(seen[0], code) << reader << " row " << i;
    const std::optional<double>* values[] = {&rows[i].tloustka, &rows[i].vyska, &rows[i].hmot};
    for (int f = 0; f < 3; ++f) {
      EXPECT_EQ(Bits(ReaderNumber(seen[f + 1])), Bits(*values[f]))
          << reader << " row " << i << " field " << kFieldNames[f + 1] << ": " << seen[f + 1];
    }
  }
}

class ReaderCheck : public ::testing::Test {
 protected:
  void WriteAndCompare(const std::vector<Row>& rows) {
    ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
    {
      OpenTable table(path_);
      for (const Row& row : rows) ASSERT_EQ(table.Append(row), DBFE_OK) << ShowRow(row);
      ASSERT_EQ(table.Close(), DBFE_OK);
    }
    OpenTable table(path_, DBFE_READ_ONLY);
    EXPECT_EQ(table.ReadAll(), rows);
    const ReaderView by_dbfread = ReadWith("dbfread", path_);
    EXPECT_EQ(by_dbfread.fields,
              (std::vector<std::string>{"drevina:C", "tloustka:N", "vyska:N", "hmot:N"}));
    ExpectReaderSees("dbfread", by_dbfread, rows);
    const ReaderView by_gdal = ReadWith("gdal", path_);
    EXPECT_EQ(by_gdal.fields,
              (std::vector<std::string>{"drevina:String", "tloustka:Real", "vyska:Real", "hmot:Real"}));
    ExpectReaderSees("gdal", by_gdal, rows);
  }

  EngineSession session_;
  ScratchDirectory directory_;
  std::string path_ = directory_ / "TloVysHm.dbf";
};

TEST_F(ReaderCheck, ManyRowsOfGeneratedAndTypedValues) {
  DBFE_REQUIRE_READERS();
  std::vector<Row> rows;
  for (std::uint64_t i = 0; i < 6000; ++i) rows.push_back(RowAt(i));
  WriteAndCompare(rows);
}

TEST_F(ReaderCheck, ExtremeValuesAndEmptyFields) {
  DBFE_REQUIRE_READERS();
  WriteAndCompare({
      {"SM ", -123456789012345e-99, 1.5e300, 5e-324},
      {"XXX", 0.30000000000000004, -0.0, 1e308},
      {"DG ", 123456789012345678.0, -1e-300, 1e20},
      {"   ", std::nullopt, std::nullopt, std::nullopt},
      {"KR ", 0.0, 999999999999999.0, -0.000123456789012345},
  });
}

TEST_F(ReaderCheck, TextBeyondAsciiReadsTheSameInEveryReader) {
  DBFE_REQUIRE_READERS();
  ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  const std::vector<std::string> written = {"ŘŽŠ", "Ťůň", "€áé", "žš ", "Ωx"};
  const std::vector<std::string> stored = {"RŽŠ", "Tun", "€áé", "žš ", "?x "};
  {
    OpenTable table(path_);
    for (std::size_t i = 0; i < written.size(); ++i) {
      ASSERT_EQ(table.Append({written[i], static_cast<double>(i), std::nullopt, std::nullopt}), DBFE_OK);
    }
    ASSERT_EQ(table.Close(), DBFE_OK);
  }
  std::vector<Row> rows;
  for (std::size_t i = 0; i < stored.size(); ++i) rows.push_back({stored[i], static_cast<double>(i), {}, {}});
  EXPECT_EQ(OpenTable(path_, DBFE_READ_ONLY).ReadAll(), rows);
  ExpectReaderSees("dbfread", ReadWith("dbfread", path_), rows);
  ExpectReaderSees("gdal", ReadWith("gdal", path_), rows);
}

TEST_F(ReaderCheck, DeletedRecordsAreGoneForEveryReader) {
  DBFE_REQUIRE_READERS();
  ASSERT_EQ(CreateHeightDiameterTable(path_), DBFE_OK);
  OpenTable table(path_);
  for (std::uint64_t i = 0; i < 5; ++i) ASSERT_EQ(table.Append(RowAt(i)), DBFE_OK);
  ASSERT_EQ(dbfe_set_to_seq_no(table.cursor(), 2), DBFE_OK);
  ASSERT_EQ(dbfe_delete_record(table.cursor()), DBFE_OK);
  const std::vector<Row> left = {RowAt(0), RowAt(2), RowAt(3), RowAt(4)};
  EXPECT_EQ(table.ReadAll(), left);
  ExpectReaderSees("dbfread", ReadWith("dbfread", path_), left);
  ExpectReaderSees("gdal", ReadWith("gdal", path_), left);
}

TEST_F(ReaderCheck, UpperCaseNamesOfTheSiteClassTableStayAsGiven) {
  DBFE_REQUIRE_READERS();
  const char* names[] = {"DREVINA", "BONITA", "VEK", "VYSKA", "TLOUSTKA", "HMOT"};
  dbfe_logical_field logical[6]{};
  for (int i = 0; i < 6; ++i) {
    std::strcpy(logical[i].name, names[i]);
    logical[i].type = i == 0 ? DBFE_TYPE_ZSTRING : DBFE_TYPE_FLOAT;
    logical[i].units1 = i == 0 ? 3 : 0;
  }
  dbfe_field_desc physical[6]{};
  ASSERT_EQ(dbfe_translate_record_structure("FOXPRO", 6, logical, physical), DBFE_OK);
  dbfe_database database = nullptr;
  ASSERT_EQ(dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database), DBFE_OK);
  dbfe_table_desc table{};
  const std::string path = directory_ / "bon_Hm1.dbf";
  std::strcpy(table.name, path.c_str());
  std::strcpy(table.driver, "FOXPRO");
  ASSERT_EQ(dbfe_create_table(database, true, &table, 6, physical), DBFE_OK);
  ASSERT_EQ(dbfe_close_database(&database), DBFE_OK);
  EXPECT_EQ(ReadWith("dbfread", path).fields,
            (std::vector<std::string>{"DREVINA:C", "BONITA:N", "VEK:N", "VYSKA:N", "TLOUSTKA:N", "HMOT:N"}));
  EXPECT_EQ(ReadWith("gdal", path).fields,
            (std::vector<std::string>{"DREVINA:String", "BONITA:Real", "VEK:Real", "VYSKA:Real",
                                      "TLOUSTKA:Real", "HMOT:Real"}));
}

}  // namespace
}  // namespace dbfe::testing
