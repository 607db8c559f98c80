#include "site_class_table.h"

#include <string>

#include "numeric.h"
#include "table.h"
#include "table_regeneration.h"

namespace dravlik {

using vzorce::SpeciesIndex;


namespace {

enum Field { kSpecies, kSiteIndex, kAge, kHeight, kVolume, kDiameter };

}  // namespace

void WriteSiteClassRows(RowWriter& out, const vzorce::ModelSet& models) {
  std::string code;
  for (SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(species);
    const int maximumAge = vzorce::MaximumAge(species);
    for (int siteIndex = range.lowest; siteIndex <= range.highest; siteIndex += 2) {
      for (int age = kYoungestTableAge; age <= maximumAge; age += kTableAgeStep) {
        out.Insert();
        vzorce::SpeciesCode(species, code);
        out.SetString(kSpecies, code);
        out.SetInteger(kSiteIndex, siteIndex);
        out.SetInteger(kAge, age);
        const double height = models.height(species, age, siteIndex);
        out.SetFloat(kHeight, vzorce::RoundToTenths(height));
        out.SetFloat(kVolume, 0);
        const double diameter = models.diameter(species, age, height);
        out.SetFloat(kDiameter, vzorce::RoundToTenths(diameter));
        double volume = 0, referenceVolume = 0, scaledHeightPolynomial = 0, heightPolynomial = 0;
        models.volume(species, diameter, height, volume, referenceVolume, scaledHeightPolynomial, heightPolynomial);
        out.SetFloat(kVolume, vzorce::RoundToHundredths(volume));
        out.Post();
      }
    }
  }
}

void GenerateSiteClassTable(TTable& table, const vzorce::ModelSet& models) {
  TableRegeneration regeneration(table);
  TableRowWriter writer(table, kSiteClassFields);
  WriteSiteClassRows(writer, models);
  regeneration.Finish();
}

}  // namespace dravlik
