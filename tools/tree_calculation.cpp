#include "tree_calculation.h"

#include "diameter.h"
#include "domain_warnings.h"
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
constexpr std::string_view kVolumePerHa[] = {"volume_per_ha"};

constexpr std::string_view kHeightInputs[] = {"species", "age", "site_index"};
constexpr std::string_view kDiameterInputs[] = {"species", "age", "height"};
constexpr std::string_view kVolumeInputs[] = {"species", "diameter", "height"};
constexpr std::string_view kStandVolumeInputs[] = {"species", "diameter", "height", "trees_per_ha"};

}  // namespace

bool QuantityNamed(std::string_view command, Quantity& quantity) {
  if (command == "height") quantity = Quantity::kHeight;
  else if (command == "diameter") quantity = Quantity::kDiameter;
  else if (command == "site-index") quantity = Quantity::kSiteIndex;
  else if (command == "volume") quantity = Quantity::kVolume;
  else if (command == "stand-volume") quantity = Quantity::kStandVolume;
  else return false;
  return true;
}

std::span<const std::string_view> InputNames(Quantity quantity) {
  switch (quantity) {
    case Quantity::kHeight: return kHeightInputs;
    case Quantity::kDiameter:
    case Quantity::kSiteIndex: return kDiameterInputs;
    case Quantity::kStandVolume: return kStandVolumeInputs;
    case Quantity::kVolume: break;
  }
  return kVolumeInputs;
}

std::string ListedNames(std::span<const std::string_view> names) {
  std::string list;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i) list += i + 1 == names.size() ? " and " : ", ";
    list += names[i];
  }
  return list;
}

std::span<const std::string_view> ResultNames(const Calculation& calculation) {
  switch (calculation.quantity) {
    case Quantity::kHeight: return kHeight;
    case Quantity::kDiameter: return kDiameter;
    case Quantity::kSiteIndex: return kSiteIndex;
    case Quantity::kStandVolume: return kVolumePerHa;
    case Quantity::kVolume: break;
  }
  if (calculation.allVolumes) return kAllVolumes;
  return kVolume;
}

void Calculate(const Calculation& calculation, vzorce::SpeciesIndex species, const Numbers& numbers, double* results) {
  const auto [first, second, third] = numbers;
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
    case Quantity::kStandVolume:
    case Quantity::kVolume: break;
  }
  double v[4] = {0, 0, 0, 0};
  vzorce::Volume(species, first, second, v[0], v[1], v[2], v[3]);
  if (calculation.quantity == Quantity::kStandVolume) {
    // One rounding, as a spreadsheet multiplying the two doubles makes it.
    const double perHectare = third * v[0];
    results[0] = calculation.rounded ? vzorce::RoundToHundredths(perHectare) : perHectare;
    return;
  }
  const int count = calculation.allVolumes ? 4 : 1;
  for (int i = 0; i < count; ++i) results[i] = calculation.rounded ? vzorce::RoundToHundredths(v[i]) : v[i];
}

std::string NoValueIn(std::string_view input) { return "No value in " + std::string(input); }

std::string UnknownSpecies(std::string_view written) { return "Unknown species: " + std::string(written); }

std::string NotANumberIn(std::string_view input, std::string_view value) {
  return "Not a number in " + std::string(input) + ": " + std::string(value);
}

void AppendJoined(std::string& text, std::string_view part) {
  if (part.empty()) return;
  if (!text.empty()) text += "; ";
  text += part;
}

Evaluation Evaluate(const Calculation& calculation, vzorce::SpeciesIndex species, const Numbers& numbers, bool strict,
                    std::string warning) {
  Evaluation evaluation;
  try {
    Calculate(calculation, species, numbers, evaluation.results);
    AppendJoined(warning, DomainWarnings(calculation, species, numbers, evaluation.results));
  } catch (const vzorce::FloatingPointError& e) {
    evaluation.error = ExplainedError(calculation, species, numbers, e);
  }
  if (strict && !warning.empty()) evaluation.error = std::move(warning);
  else evaluation.warning = std::move(warning);
  return evaluation;
}

}  // namespace dravlik
