#include "height_diameter_table.h"

#include <string>

#include "fields_by_name.h"
#include "numeric.h"
#include "plausible_ratio.h"
#include "table.h"
#include "table_regeneration.h"
#include "volume.h"

namespace dravlik {

using vzorce::SpeciesIndex;

namespace {

enum Field { kSpecies, kHeight, kDiameter, kVolume };

}  // namespace

void GenerateHeightDiameterTable(TTable& table, VolumeModel volume) {
  TableRegeneration regeneration(table);
  FieldsByName<4> field(table, {"DREVINA", "VYSKA", "TLOUSTKA", "Hmot"});
  std::string code;
  for (SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    for (int height = 7; height <= 40; ++height) {
      for (int diameter = 7; diameter <= 80; ++diameter) {
        table.Insert();
        vzorce::SpeciesCode(species, code);
        field[kSpecies].SetAsString(code);
        field[kHeight].SetAsInteger(height);
        field[kDiameter].SetAsInteger(diameter);
        if (HasPlausibleRatio(height, diameter)) {
          double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
          volume(species, diameter, height, v1, v2, v3, v4);
          field[kVolume].SetAsFloat(vzorce::RoundToHundredths(v1));
        }
        table.Post();
      }
    }
  }
  regeneration.Finish();
}

}  // namespace dravlik
