#include "tree_calculation.h"

#include "diameter.h"
#include "height_by_site_index.h"
#include "numeric.h"
#include "volume.h"

namespace dravlik {
namespace {

constexpr std::string_view kHeight[] = {"height"};
constexpr std::string_view kDiameter[] = {"diameter"};
constexpr std::string_view kSiteIndex[] = {"site_index"};
constexpr std::string_view kVolume[] = {"volume"};
constexpr std::string_view kAllVolumes[] = {"v1", "v2", "v3", "v4"};

}  // namespace

bool QuantityNamed(std::string_view command, Quantity& quantity) {
  if (command == "height") quantity = Quantity::kHeight;
  else if (command == "diameter") quantity = Quantity::kDiameter;
  else if (command == "site-index") quantity = Quantity::kSiteIndex;
  else if (command == "volume") quantity = Quantity::kVolume;
  else return false;
  return true;
}

std::array<std::string_view, 3> InputNames(Quantity quantity) {
  switch (quantity) {
    case Quantity::kHeight: return {"species", "age", "site_index"};
    case Quantity::kDiameter:
    case Quantity::kSiteIndex: return {"species", "age", "height"};
    case Quantity::kVolume: break;
  }
  return {"species", "diameter", "height"};
}

std::span<const std::string_view> ResultNames(const Calculation& calculation) {
  switch (calculation.quantity) {
    case Quantity::kHeight: return kHeight;
    case Quantity::kDiameter: return kDiameter;
    case Quantity::kSiteIndex: return kSiteIndex;
    case Quantity::kVolume: break;
  }
  if (calculation.allVolumes) return kAllVolumes;
  return kVolume;
}

void Calculate(const Calculation& calculation, vzorce::SpeciesIndex species, double first, double second,
               double* results) {
  switch (calculation.quantity) {
    case Quantity::kHeight: {
      const double height = vzorce::HeightBySiteIndex(species, first, second);
      results[0] = calculation.rounded ? vzorce::RoundToTenths(height) : height;
      return;
    }
    case Quantity::kDiameter: {
      const double diameter = vzorce::Diameter(species, first, second);
      results[0] = calculation.rounded ? vzorce::RoundToTenths(diameter) : diameter;
      return;
    }
    case Quantity::kSiteIndex: {
      // The diameter model's first step, as it is.
      const double siteIndex = vzorce::SiteIndexInversion(species, first, second);
      results[0] = calculation.rounded ? static_cast<double>(vzorce::RoundToInteger(siteIndex)) : siteIndex;
      return;
    }
    case Quantity::kVolume: break;
  }
  double v[4] = {0, 0, 0, 0};
  vzorce::Volume(species, first, second, v[0], v[1], v[2], v[3]);
  const int count = calculation.allVolumes ? 4 : 1;
  for (int i = 0; i < count; ++i) results[i] = calculation.rounded ? vzorce::RoundToHundredths(v[i]) : v[i];
}

}  // namespace dravlik
