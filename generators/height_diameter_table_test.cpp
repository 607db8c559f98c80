#include "height_diameter_table.h"

#include <filesystem>

#include <array>

#include "numeric.h"
#include "plausible_ratio.h"
#include "schemas.h"
#include "volume.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

using vzorce::SpeciesIndex;

enum Column { kSpecies, kDiameter, kHeight, kVolume };

int RowOf(int species, int height, int diameter) { return species * 2516 + (height - 7) * 74 + (diameter - 7); }

class HeightDiameterTableTest : public testing::InFreshDirectory {
 protected:
  std::unique_ptr<TTable> table = MakeHeightDiameterTable();
  bool HasVolume(int species, int height, int diameter) {
    return !std::holds_alternative<std::monostate>(table->RowValue(RowOf(species, height, diameter), kVolume));
  }
};

TEST(PlausibleRatio, AdmitsOnePointNineAndRejectsAQuarter) {
  EXPECT_TRUE(HasPlausibleRatio(19, 10));
  EXPECT_TRUE(HasPlausibleRatio(38, 20));
  EXPECT_FALSE(HasPlausibleRatio(20, 10));
  EXPECT_FALSE(HasPlausibleRatio(7, 28));
  EXPECT_TRUE(HasPlausibleRatio(7, 27));
  EXPECT_FALSE(HasPlausibleRatio(20, 80));
  // The double nearest 1.9 lies below the extended one, so a double bound would reject it.
  EXPECT_TRUE(19.0 / 10 < 1.9L);
  EXPECT_FALSE(19.0 / 10 < 1.9);
}

TEST_F(HeightDiameterTableTest, HoldsEveryTreeWithTheModelsVolumeWherePlausible) {
  GenerateHeightDiameterTable(*table);
  ASSERT_EQ(table->State(), dsBrowse);
  ASSERT_EQ(table->RecordCount(), 32708);
  int withVolume = 0;
  std::array<int, 13> perSpecies{};
  std::string code;
  for (SpeciesIndex s = 0; s < vzorce::kModelledSpeciesCount; ++s) {
    vzorce::SpeciesCode(s, code);
    for (int h = 7; h <= 40; ++h) {
      for (int d = 7; d <= 80; ++d) {
        const int row = RowOf(s, h, d);
        ASSERT_EQ(std::get<std::string>(table->RowValue(row, kSpecies)), code);
        ASSERT_EQ(std::get<double>(table->RowValue(row, kHeight)), h);
        ASSERT_EQ(std::get<double>(table->RowValue(row, kDiameter)), d);
        const FieldValue volume = table->RowValue(row, kVolume);
        ASSERT_EQ(HasPlausibleRatio(h, d), !std::holds_alternative<std::monostate>(volume)) << row;
        if (std::holds_alternative<std::monostate>(volume)) continue;
        double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
        vzorce::Volume(s, d, h, v1, v2, v3, v4);
        ASSERT_EQ(std::get<double>(volume), vzorce::RoundToHundredths(v1)) << row;
        ++withVolume;
        ++perSpecies[s];
      }
    }
  }
  EXPECT_EQ(withVolume, 25103);
  for (int count : perSpecies) EXPECT_EQ(count, 1931);
}

TEST_F(HeightDiameterTableTest, StoresVolumesAtTheEdgesOfThePlausibleRatio) {
  GenerateHeightDiameterTable(*table);
  EXPECT_TRUE(HasVolume(0, 7, 7));
  EXPECT_TRUE(HasVolume(12, 40, 80));
  EXPECT_TRUE(HasVolume(3, 19, 10));
  EXPECT_TRUE(HasVolume(3, 38, 20));
  EXPECT_FALSE(HasVolume(3, 20, 10));
  for (int d = 7; d <= 80; ++d) {
    EXPECT_EQ(HasVolume(5, 7, d), d <= 27) << d;
    EXPECT_EQ(HasVolume(5, 40, d), d >= 22) << d;
  }
}

int volumesBeforeFailure = 0;
void FailingVolume(SpeciesIndex species, double d, double h, double& v1, double& v2, double& v3, double& v4) {
  if (volumesBeforeFailure-- == 0) throw vzorce::OverflowError();
  vzorce::Volume(species, d, h, v1, v2, v3, v4);
}

TEST_F(HeightDiameterTableTest, AFailingModelEndsTheRunWithTheRowsPostedBefore) {
  volumesBeforeFailure = 10;  // height 7: diameters 7 to 16 get their volume, 17 fails
  vzorce::ModelSet models;
  models.volume = FailingVolume;
  EXPECT_THROW(GenerateHeightDiameterTable(*table, models), vzorce::OverflowError);
  EXPECT_EQ(table->State(), dsInsert);
  EXPECT_EQ(table->RecordCount(), 10);
  EXPECT_FALSE(table->CanModify());
  EXPECT_FALSE(std::filesystem::exists("TloVysHm.dbf")) << "a failed first run leaves no table";
  EXPECT_EQ(table->FieldByName("tloustka").AsFloat(), 17.0);
  EXPECT_TRUE(table->FieldByName("hmot").IsNull());
  try {
    GenerateHeightDiameterTable(*table);
    FAIL() << "a second run regenerated an open table";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Table2: Cannot perform this operation on an open dataset");
  }
}

}  // namespace
}  // namespace dravlik
