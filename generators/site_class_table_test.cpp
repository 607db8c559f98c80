#include "site_class_table.h"

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "diameter.h"
#include "height_by_site_index.h"
#include "numeric.h"
#include "schemas.h"
#include "volume.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

using testing::FileBytes;
using testing::FilesHere;
using vzorce::SpeciesIndex;

enum Column { kSpecies, kSiteIndex, kAge, kHeight, kDiameter, kVolume };

double Number(TTable& table, int row, Column column) { return std::get<double>(table.RowValue(row, column)); }

class SiteClassTableTest : public testing::InFreshDirectory {
 protected:
  std::unique_ptr<TTable> table = MakeSiteClassTable();
};

TEST_F(SiteClassTableTest, HoldsEveryCombinationWithTheModelsValuesInPostingOrder) {
  GenerateSiteClassTable(*table);
  ASSERT_EQ(table->State(), dsBrowse);
  ASSERT_EQ(table->RecordCount(), 3228);
  EXPECT_EQ(table->CurrentRow(), 0);
  int row = 0;
  std::string code;
  for (SpeciesIndex s = 0; s < vzorce::kModelledSpeciesCount; ++s) {
    const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(s);
    for (int siteIndex = range.lowest; siteIndex <= range.highest; siteIndex += 2) {
      for (int age = 15; age <= vzorce::MaximumAge(s); age += 5, ++row) {
        const double h = vzorce::HeightBySiteIndex(s, age, siteIndex);
        const double d = vzorce::Diameter(s, age, h);
        double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
        vzorce::Volume(s, d, h, v1, v2, v3, v4);
        vzorce::SpeciesCode(s, code);
        ASSERT_EQ(std::get<std::string>(table->RowValue(row, kSpecies)), code) << row;
        ASSERT_EQ(Number(*table, row, kSiteIndex), siteIndex) << row;
        ASSERT_EQ(Number(*table, row, kAge), age) << row;
        ASSERT_EQ(Number(*table, row, kHeight), vzorce::RoundToTenths(h)) << row;
        ASSERT_EQ(Number(*table, row, kDiameter), vzorce::RoundToTenths(d)) << row;
        ASSERT_EQ(Number(*table, row, kVolume), vzorce::RoundToHundredths(v1)) << row;
      }
    }
  }
  EXPECT_EQ(std::get<std::string>(table->RowValue(3227, kSpecies)), "DG ");
  EXPECT_EQ(Number(*table, 3227, kSiteIndex), 40);
  EXPECT_EQ(Number(*table, 3227, kAge), 100);
}

TEST_F(SiteClassTableTest, ReplacesAnOldFile) {
  table->CreateTable();
  table->Open();
  table->Insert();
  table->FieldByName("DREVINA").SetAsString("old");
  table->Post();
  table->Close();
  GenerateSiteClassTable(*table);
  EXPECT_EQ(table->RecordCount(), 3228);
  EXPECT_EQ(table->FieldByName("DREVINA").AsString(), "SM ");
}

// The first row gets this height; the second row's height ends the run.
double firstHeight = 0;
bool firstRow = true;
double FirstRowHeight(SpeciesIndex, double, double) {
  if (!std::exchange(firstRow, false)) throw std::runtime_error("enough");
  return firstHeight;
}

TEST_F(SiteClassTableTest, RoundsTiesToEvenFromTheExactProduct) {
  vzorce::ModelSet models;
  models.height = FirstRowHeight;
  for (const auto& [height, stored] : {std::pair{12.25, 12.2}, std::pair{12.35, 12.3}, std::pair{12.45, 12.4}}) {
    firstHeight = height;
    firstRow = true;
    auto fresh = MakeSiteClassTable();
    EXPECT_THROW(GenerateSiteClassTable(*fresh, models), std::runtime_error);
    fresh->Cancel();  // the second row, pending
    EXPECT_EQ(Number(*fresh, 0, kHeight), stored) << height;
  }
}

int diametersBeforeFailure = 0;
double FailingDiameter(SpeciesIndex species, double age, double height) {
  if (diametersBeforeFailure-- == 0) throw vzorce::DivisionByZeroError();
  return vzorce::Diameter(species, age, height);
}

TEST_F(SiteClassTableTest, AFailingModelEndsTheRunAndLeavesTheOldTableInPlace) {
  GenerateSiteClassTable(*MakeSiteClassTable());
  const std::vector<std::uint8_t> good = FileBytes("bon_Hm1.dbf");
  vzorce::ModelSet models;
  models.diameter = FailingDiameter;
  diametersBeforeFailure = 100;
  EXPECT_THROW(GenerateSiteClassTable(*table, models), vzorce::DivisionByZeroError);
  EXPECT_EQ(table->State(), dsInsert);
  EXPECT_EQ(table->RecordCount(), 100);
  EXPECT_FALSE(table->CanModify()) << "rows that will never be saved must not look editable";
  // The record under construction keeps what was assigned before the failure.
  EXPECT_EQ(table->FieldByName("DREVINA").AsString(), "SM ");
  EXPECT_EQ(table->FieldByName("VEK").AsFloat(), 15 + 5 * (100 % 28));
  EXPECT_EQ(table->FieldByName("HMOT").AsFloat(), 0.0);
  EXPECT_TRUE(table->FieldByName("TLOUSTKA").IsNull());
  EXPECT_EQ(FileBytes("bon_Hm1.dbf"), good);

  try {
    GenerateSiteClassTable(*table);
    FAIL() << "a second run regenerated an open table";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Table1: Cannot perform this operation on an open dataset");
  }
  EXPECT_EQ(table->State(), dsInsert);
  table->Close();
  EXPECT_EQ(FileBytes("bon_Hm1.dbf"), good);
  EXPECT_EQ(FilesHere(), std::vector<std::string>{"bon_Hm1.dbf"});
}

TEST_F(SiteClassTableTest, AtAFileSizeLimitTheRunEndsAndLeavesTheOldTableInPlace) {
  GenerateSiteClassTable(*MakeSiteClassTable());
  const std::vector<std::uint8_t> good = FileBytes("bon_Hm1.dbf");
  const int result = testing::InChildProcess([] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100000, 100000};
    setrlimit(RLIMIT_FSIZE, &limit);
    auto table = MakeSiteClassTable();
    try {
      GenerateSiteClassTable(*table);
    } catch (const EDBEngineError&) {
      return table->State() == dsInsert ? 0 : 2;
    }
    return 3;
  });
  ASSERT_EQ(result, 0);
  EXPECT_EQ(FileBytes("bon_Hm1.dbf"), good);
  EXPECT_EQ(FilesHere(), std::vector<std::string>{"bon_Hm1.dbf"});
}

// Another program renames a table of its own over ours during the run.
int heightsBeforeSwap = 0;
double SwappingHeight(SpeciesIndex species, double age, double siteIndex) {
  if (heightsBeforeSwap-- == 0) {
    TTable theirs("Theirs", "theirs.dbf");
    theirs.AddStringField("TheirsDREVINA", "DREVINA", 3);
    theirs.CreateTable();
    theirs.Open();
    for (const char* code : {"AA ", "BB ", "CC "}) {
      theirs.Insert();
      theirs.FieldByName("DREVINA").SetAsString(code);
      theirs.Post();
    }
    theirs.Close();
    std::filesystem::rename("theirs.dbf", "bon_Hm1.dbf");
  }
  return vzorce::HeightBySiteIndex(species, age, siteIndex);
}

TEST_F(SiteClassTableTest, NeverOverwritesATableSwappedInMeanwhileNorReportsItsRowsAsWritten) {
  GenerateSiteClassTable(*MakeSiteClassTable());
  vzorce::ModelSet models;
  models.height = SwappingHeight;
  heightsBeforeSwap = 500;
  try {
    GenerateSiteClassTable(*table, models);
    FAIL() << "the run reported success";
  } catch (const EDBEngineError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Table was replaced by another program.\nTable: " + (Directory() / "bon_Hm1.dbf").string());
  }
  EXPECT_FALSE(table->Active());
  TTable reader("Reader", "bon_Hm1.dbf");
  reader.AddStringField("ReaderDREVINA", "DREVINA", 3);
  reader.Open();
  EXPECT_EQ(reader.RecordCount(), 3);
  EXPECT_EQ(FilesHere(), std::vector<std::string>{"bon_Hm1.dbf"});
}

}  // namespace
}  // namespace dravlik
