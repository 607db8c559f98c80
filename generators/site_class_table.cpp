#include "site_class_table.h"

#include <string>

#include "diameter.h"
#include "fields_by_name.h"
#include "height_by_site_index.h"
#include "numeric.h"
#include "table.h"
#include "table_regeneration.h"
#include "volume.h"

namespace dravlik {

using vzorce::SpeciesIndex;

const SiteClassModels kSiteClassModels = {vzorce::HeightBySiteIndex, vzorce::Diameter, vzorce::Volume};

namespace {

enum Field { kSpecies, kSiteIndex, kAge, kHeight, kVolume, kDiameter };

}  // namespace

void GenerateSiteClassTable(TTable& table, const SiteClassModels& models) {
  TableRegeneration regeneration(table);
  FieldsByName<6> field(table, {"DREVINA", "BONITA", "VEK", "VYSKA", "HMOT", "TLOUSTKA"});
  std::string code;
  for (SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(species);
    const int maximumAge = vzorce::MaximumAge(species);
    for (int siteIndex = range.lowest; siteIndex <= range.highest; siteIndex += 2) {
      for (int age = 15; age <= maximumAge; age += 5) {
        table.Insert();
        vzorce::SpeciesCode(species, code);
        field[kSpecies].SetAsString(code);
        field[kSiteIndex].SetAsInteger(siteIndex);
        field[kAge].SetAsInteger(age);
        const double height = models.height(species, age, siteIndex);
        field[kHeight].SetAsFloat(vzorce::RoundToTenths(height));
        field[kVolume].SetAsFloat(0);
        const double diameter = models.diameter(species, age, height);
        field[kDiameter].SetAsFloat(vzorce::RoundToTenths(diameter));
        double volume = 0, referenceVolume = 0, scaledHeightPolynomial = 0, heightPolynomial = 0;
        models.volume(species, diameter, height, volume, referenceVolume, scaledHeightPolynomial, heightPolynomial);
        field[kVolume].SetAsFloat(vzorce::RoundToHundredths(volume));
        table.Post();
      }
    }
  }
  regeneration.Finish();
}

}  // namespace dravlik
