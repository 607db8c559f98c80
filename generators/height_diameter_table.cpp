#include "height_diameter_table.h"

#include <string>

#include "numeric.h"
#include "plausible_ratio.h"
#include "table.h"
#include "table_regeneration.h"

namespace dravlik {

using vzorce::SpeciesIndex;

namespace {

enum Field { kSpecies, kHeight, kDiameter, kVolume };

}  // namespace

void WriteHeightDiameterRows(RowWriter& out, const vzorce::ModelSet& models) {
  std::string code;
  for (SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    for (int height = kLowestTableHeight; height <= kHighestTableHeight; ++height) {
      for (int diameter = kLowestTableDiameter; diameter <= kHighestTableDiameter; ++diameter) {
        out.Insert();
        vzorce::SpeciesCode(species, code);
        out.SetString(kSpecies, code);
        out.SetInteger(kHeight, height);
        out.SetInteger(kDiameter, diameter);
        if (HasPlausibleRatio(height, diameter)) {
          double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
          models.volume(species, diameter, height, v1, v2, v3, v4);
          out.SetFloat(kVolume, vzorce::RoundToHundredths(v1));
        }
        out.Post();
      }
    }
  }
}

void GenerateHeightDiameterTable(TTable& table, const vzorce::ModelSet& models) {
  TableRegeneration regeneration(table);
  TableRowWriter writer(table, kHeightDiameterFields);
  WriteHeightDiameterRows(writer, models);
  regeneration.Finish();
}

}  // namespace dravlik
