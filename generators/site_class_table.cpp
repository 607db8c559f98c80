#include "site_class_table.h"

#include <string>

#include "diameter.h"
#include "height_by_site_index.h"
#include "numeric.h"
#include "table.h"
#include "table_regeneration.h"
#include "volume.h"

namespace dravlik {

using vzorce::SpeciesIndex;

const SiteClassModels kSiteClassModels = {vzorce::HeightBySiteIndex, vzorce::Diameter, vzorce::Volume};

void GenerateSiteClassTable(TTable& table, const SiteClassModels& models) {
  TableRegeneration regeneration(table);
  std::string code;
  for (SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(species);
    const int maximumAge = vzorce::MaximumAge(species);
    for (int siteIndex = range.lowest; siteIndex <= range.highest; siteIndex += 2) {
      for (int age = 15; age <= maximumAge; age += 5) {
        table.Insert();
        vzorce::SpeciesCode(species, code);
        table.FieldByName("DREVINA").SetAsString(code);
        table.FieldByName("BONITA").SetAsInteger(siteIndex);
        table.FieldByName("VEK").SetAsInteger(age);
        const double height = models.height(species, age, siteIndex);
        table.FieldByName("VYSKA").SetAsFloat(vzorce::RoundToTenths(height));
        table.FieldByName("HMOT").SetAsFloat(0);
        const double diameter = models.diameter(species, age, height);
        table.FieldByName("TLOUSTKA").SetAsFloat(vzorce::RoundToTenths(diameter));
        double volume = 0, referenceVolume = 0, scaledHeightPolynomial = 0, heightPolynomial = 0;
        models.volume(species, diameter, height, volume, referenceVolume, scaledHeightPolynomial, heightPolynomial);
        table.FieldByName("HMOT").SetAsFloat(vzorce::RoundToHundredths(volume));
        table.Post();
      }
    }
  }
  regeneration.Finish();
}

}  // namespace dravlik
