#include "site_class_table.h"

#include <sys/resource.h>

#include <csignal>
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
  SiteClassModels models = kSiteClassModels;
  models.height = FirstRowHeight;
  for (const auto& [height, stored] : {std::pair{12.25, 12.2}, std::pair{12.35, 12.3}, std::pair{12.45, 12.4}}) {
    firstHeight = height;
    firstRow = true;
    auto fresh = MakeSiteClassTable();
    EXPECT_THROW(GenerateSiteClassTable(*fresh, models), std::runtime_error);
    auto reader = MakeSiteClassTable();
    reader->Open();
    EXPECT_EQ(reader->FieldByName("VYSKA").AsFloat(), stored) << height;
  }
}

int diametersBeforeFailure = 0;
double FailingDiameter(SpeciesIndex species, double age, double height) {
  if (diametersBeforeFailure-- == 0) throw vzorce::DivisionByZeroError();
  return vzorce::Diameter(species, age, height);
}

TEST_F(SiteClassTableTest, AFailingModelEndsTheRunWithTheRowsPostedBefore) {
  SiteClassModels models = kSiteClassModels;
  models.diameter = FailingDiameter;
  diametersBeforeFailure = 100;
  EXPECT_THROW(GenerateSiteClassTable(*table, models), vzorce::DivisionByZeroError);
  EXPECT_EQ(table->State(), dsInsert);
  EXPECT_EQ(table->RecordCount(), 100);
  // The record under construction keeps what was assigned before the failure.
  EXPECT_EQ(table->FieldByName("DREVINA").AsString(), "SM ");
  EXPECT_EQ(table->FieldByName("VEK").AsFloat(), 15 + 5 * (100 % 28));
  EXPECT_EQ(table->FieldByName("HMOT").AsFloat(), 0.0);
  EXPECT_TRUE(table->FieldByName("TLOUSTKA").IsNull());

  auto reader = MakeSiteClassTable();
  reader->Open();
  EXPECT_EQ(reader->RecordCount(), 100);

  try {
    GenerateSiteClassTable(*table);
    FAIL() << "a second run regenerated an open table";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Table1: Cannot perform this operation on an open dataset");
  }
  EXPECT_EQ(table->State(), dsInsert);
}

TEST_F(SiteClassTableTest, AFullDiskEndsTheRunWithTheRowsPostedBefore) {
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
  auto table = MakeSiteClassTable();
  table->Open();
  EXPECT_GT(table->RecordCount(), 0);
  EXPECT_LT(table->RecordCount(), 3228);
  const int last = table->RecordCount() - 1;
  EXPECT_FALSE(std::holds_alternative<std::monostate>(table->RowValue(last, kVolume)));
}

}  // namespace
}  // namespace dravlik
