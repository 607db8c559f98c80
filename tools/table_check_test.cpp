// pdravlik-tables --check against tables changed as people change them: a
// digit typed over, a number made null as QGIS does, a row deleted, added or moved.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <random>

#include "engine/file_layout.h"
#include "program_run_for_tests.h"
#include "schemas.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

using testing::Contains;
using testing::Outcome;

Outcome Check(const std::string& arguments = "") {
  return testing::RunCommand(PDRAVLIK_TABLES " --check " + arguments + " 2>&1");
}

class TableCheckTest : public testing::InFreshDirectory {
 protected:
  void SetUp() override {
    testing::InFreshDirectory::SetUp();
    ASSERT_EQ(testing::RunCommand(PDRAVLIK_TABLES " >/dev/null").status, 0);
  }
};

std::uint16_t Word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// Writes asterisks over the whole of one numeric field of one record (from 0),
// as GDAL (and so QGIS) writes a null number.
void WriteAsterisks(const std::string& path, std::size_t record, const std::string& field) {
  std::vector<std::uint8_t> bytes = testing::FileBytes(path);
  const std::size_t headerLength = Word(bytes, 8), recordLength = Word(bytes, 10);
  std::size_t offset = 1;  // after the deletion flag
  for (std::size_t at = dbfe::kPrologueSize; bytes.at(at) != dbfe::kHeaderTerminator; at += dbfe::kDescriptorSize) {
    // A descriptor: the name, NUL-padded, in bytes 0 to 10; the width in byte 16.
    const char* name = reinterpret_cast<const char*>(&bytes[at]);
    const std::size_t width = bytes[at + 16];
    if (std::string(name, strnlen(name, dbfe::kMaxFieldNameLength + 1)) == field) {
      const std::size_t start = headerLength + record * recordLength + offset;
      std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(start), width, '*');
      std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      return;
    }
    offset += width;
  }
  FAIL() << "no field " << field << " in " << path;
}

// Types a height over the stored one of a record (from 0), as in the grid.
void EditHeight(int record, double height) {
  auto table = MakeSiteClassTable();
  table->Open();
  table->MoveTo(record);
  table->Edit();
  table->FieldByName("VYSKA").SetAsFloat(height);
  table->Post();
}

struct Edit {
  int record;       // from 1
  std::string row;  // how the check names it
};

// Changes one character of a random field of a random record in the file, a
// digit to another digit or a letter to another letter.
Edit TypeOver(const std::string& path, std::mt19937& random) {
  std::vector<std::uint8_t> bytes = testing::FileBytes(path);
  const std::size_t headerLength = Word(bytes, 8), recordLength = Word(bytes, 10);
  const std::size_t records = (bytes.size() - headerLength) / recordLength;
  while (true) {
    const std::size_t record = random() % records;
    const std::size_t at = headerLength + record * recordLength + 1 + random() % (recordLength - 1);
    const char c = static_cast<char>(bytes[at]);
    if (c >= '0' && c <= '9') bytes[at] = static_cast<std::uint8_t>('0' + (c - '0' + 1 + random() % 9) % 10);
    else if (c >= 'A' && c <= 'Z') bytes[at] = static_cast<std::uint8_t>(c == 'Z' ? 'A' : c + 1);
    else continue;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return {static_cast<int>(record + 1), ": row " + std::to_string(record + 1) + " ("};
  }
}

TEST_F(TableCheckTest, FindsAnyCharacterTypedOverInEitherTableAndChangesNothing) {
  const Outcome clean = Check();
  EXPECT_EQ(clean.status, 0) << clean.output;
  EXPECT_EQ(clean.output,
            "bon_Hm1.dbf: 3228 rows compared, 0 differ, 0 missing, 0 extra\n"
            "TloVysHm.dbf: 32708 rows compared, 0 differ, 0 missing, 0 extra\n");
  std::mt19937 random(std::random_device{}());
  for (int round = 0; round < 6; ++round) {
    const std::string table = round % 2 ? "TloVysHm.dbf" : "bon_Hm1.dbf";
    const Edit edit = TypeOver(table, random);
    const std::vector<std::uint8_t> edited = testing::FileBytes(table);
    const Outcome outcome = Check(round % 2 ? "height-diameter" : "site-class");
    EXPECT_EQ(outcome.status, 1) << outcome.output;
    EXPECT_TRUE(Contains(outcome.output, table + edit.row)) << edit.record << "\n" << outcome.output;
    EXPECT_TRUE(Contains(outcome.output, " 1 differ, 0 missing, 0 extra\n")) << outcome.output;
    EXPECT_EQ(testing::FileBytes(table), edited) << "the check changed the file";
    ASSERT_EQ(testing::RunCommand(PDRAVLIK_TABLES " >/dev/null").status, 0);
  }
  EXPECT_EQ(testing::FilesHere(), (std::vector<std::string>{"TloVysHm.dbf", "bon_Hm1.dbf"}));
}

TEST_F(TableCheckTest, NamesTheFieldAndBothValues) {
  EditHeight(412, 99.5);
  const Outcome outcome = Check("site-class");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(Contains(outcome.output, "bon_Hm1.dbf: row 413 (BO, BONITA 14, VEK 115): VYSKA is 99.5 in the file, 14.2 from the models\n"))
      << outcome.output;
}

// A table once saved from QGIS: the null number reads as empty, in the grid
// as in the check, and does not hide another edit.
TEST_F(TableCheckTest, ReadsAsterisksAsAnEmptyNumberAndReportsTheOtherEdits) {
  EditHeight(412, 99.5);
  WriteAsterisks("bon_Hm1.dbf", 100, "HMOT");
  {
    auto table = MakeSiteClassTable();
    table->Open();
    table->MoveTo(100);
    EXPECT_TRUE(table->FieldByName("HMOT").IsNull());
    EXPECT_EQ(table->FieldByName("HMOT").DisplayText(), "");
  }
  const std::vector<std::uint8_t> edited = testing::FileBytes("bon_Hm1.dbf");
  const Outcome outcome = Check("site-class");
  EXPECT_EQ(outcome.status, 1) << outcome.output;
  EXPECT_EQ(outcome.output,
            "bon_Hm1.dbf: row 101 (SM, BONITA 20, VEK 95): HMOT is empty in the file, 0.4 from the models\n"
            "bon_Hm1.dbf: row 413 (BO, BONITA 14, VEK 115): VYSKA is 99.5 in the file, 14.2 from the models\n"
            "bon_Hm1.dbf: 3228 rows compared, 2 differ, 0 missing, 0 extra\n");
  EXPECT_EQ(testing::FileBytes("bon_Hm1.dbf"), edited) << "the check changed the file";
}

TEST_F(TableCheckTest, FindsDeletedAddedAndMovedRows) {
  {
    auto table = MakeHeightDiameterTable();
    table->Open();
    table->MoveTo(100);
    table->Delete();
    table->Append();
    table->FieldByName("drevina").SetAsString("SM");
    table->FieldByName("vyska").SetAsFloat(41);
    table->FieldByName("tloustka").SetAsFloat(7);
    table->Post();
    // The first two rows change places.
    const FieldValue first = table->RowValue(0, 3), second = table->RowValue(1, 3);
    for (int row : {0, 1}) {
      table->MoveTo(row);
      table->Edit();
      table->FieldByName("tloustka").SetAsFloat(row ? 7 : 8);
      table->FieldByName("hmot").SetAsFloat(std::get<double>(row ? first : second));
      table->Post();
    }
  }
  const Outcome outcome = Check("height-diameter");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(Contains(outcome.output, "TloVysHm.dbf: missing row (SM, tloustka 33, vyska 8), row 101 of the models' table"))
      << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "TloVysHm.dbf: row 32708 (SM, tloustka 7, vyska 41): not in the models' table"));
  EXPECT_TRUE(Contains(outcome.output, "TloVysHm.dbf: row 2 (SM, tloustka 7, vyska 7): out of order: row 1 of the models' table\n"));
  EXPECT_TRUE(Contains(outcome.output, "32708 rows compared, 1 differ, 1 missing, 1 extra")) << outcome.output;
}

TEST_F(TableCheckTest, AMissingOrForeignFileIsNotADifference) {
  std::filesystem::remove("bon_Hm1.dbf");
  const Outcome missing = Check();
  EXPECT_EQ(missing.status, 2);
  EXPECT_TRUE(Contains(missing.output, "pdravlik-tables: bon_Hm1.dbf: ")) << missing.output;
  EXPECT_TRUE(Contains(missing.output, "TloVysHm.dbf: 32708 rows compared, 0 differ")) << missing.output;
  std::ofstream("bon_Hm1.dbf") << "not a table";
  EXPECT_EQ(Check("site-class").status, 2);
  EXPECT_EQ(Check("--csv").status, 2);
}

}  // namespace
}  // namespace dravlik
