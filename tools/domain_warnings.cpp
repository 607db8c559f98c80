#include "domain_warnings.h"

#include <charconv>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "height_by_site_index.h"
#include "height_diameter_table.h"
#include "number_text.h"
#include "plausible_ratio.h"
#include "site_index_height.h"
#include "species_catalogue.h"
#include "young_stand.h"

namespace dravlik {
namespace {

using vzorce::SpeciesIndex;

// Below every species' range: what users type when they mean an old relative
// site class (1, 2, ...).
constexpr double kSiteClassesBelow = 10;
// Below this diameter or height the volume model gives 0 (volume.h).
constexpr double kVolumeModelSmallest = 6;
// The diameter model's site-index inversion accepts a curve this close (diameter.h).
constexpr vzorce::Extended kInversionTolerance = 0.1L;

// A species as foresters write it: its code without the stored trailing blank.
struct Code {
  SpeciesIndex species;
};

// A warning being written, rule after rule; it allocates only once something
// is said.
class Warning {
 public:
  Warning& Rule() {
    if (!text_.empty()) text_ += "; ";
    else text_.reserve(256);  // room for a few rules at once
    return *this;
  }
  Warning& operator<<(std::string_view words) {
    text_ += words;
    return *this;
  }
  Warning& operator<<(double number) {
    AppendNumber(text_, number, false);
    return *this;
  }
  Warning& operator<<(int number) {
    char digits[16];
    return *this << std::string_view(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
  }
  Warning& operator<<(Code code) { return *this << std::string_view(WrittenCode(code.species)); }
  std::string Text() && { return std::move(text_); }

 private:
  std::string text_;
};

struct Measure {
  std::string_view name;
  std::string_view unit;
};
constexpr Measure kDiameter = {"diameter", "cm"};
constexpr Measure kHeight = {"height", "m"};

// ---- Every text a forester reads ----

void SiteIndexOutsideRange(Warning& w, Code species, double siteIndex, vzorce::SiteIndexRange range) {
  w.Rule() << "site index " << siteIndex << " m is outside " << species << "'s range " << range.lowest << "-"
           << range.highest << " m";
}
void SiteIndexIsAHeight(Warning& w) { w << " (a site index is the stand's mean height in m at age 100)"; }
void ModelGivesZero(Warning& w) { w.Rule() << "the model gives 0"; }
void ModelTakesSiteIndex(Warning& w, int bound) { w.Rule() << "the model takes " << bound; }
void YoungStandModelTakesItAsItIs(Warning& w) {
  w.Rule() << "the young-stand model takes it as it is (its table covers " << vzorce::kLowestThresholdSiteIndex << "-"
           << vzorce::kHighestThresholdSiteIndex << " m)";
}
void AgeNotAboveZero(Warning& w) { w.Rule() << "age must be above 0"; }
void AgePastMaximum(Warning& w, Code species, double age, int maximumAge) {
  w.Rule() << "age " << age << " is past " << species << "'s maximum age " << maximumAge;
  w.Rule() << "the model extrapolates";
}
void HeightOffTheCurves(Warning& w, Code species, double height, double age, bool below, int siteIndex,
                        double curveHeight) {
  w.Rule() << "height " << height << " m at age " << age << " is " << (below ? "below " : "above ") << species
           << "'s curve for site index " << siteIndex << " (" << vzorce::RoundToTenths(curveHeight)
           << " m at that age)";
  w.Rule() << "the model extrapolates";
}
void NegativeResult(Warning& w, std::string_view result) { w.Rule() << "the model gives a negative " << result; }
void TooSmallForVolume(Warning& w, Measure measure, double value) {
  w.Rule() << measure.name << " " << value << " " << measure.unit << " is ";
  if (value < 0) w << "negative";
  else w << "below " << kVolumeModelSmallest << " " << measure.unit;
}
void OutsideTable(Warning& w, Measure measure, double value, int lowest, int highest) {
  w.Rule() << measure.name << " " << value << " " << measure.unit << " is outside the " << lowest << "-" << highest
           << " " << measure.unit << " of the height-diameter table";
}
void MillimetresHint(Warning& w) { w << " (millimetres? diameters are in cm)"; }
void ImplausiblePair(Warning& w, double height, double diameter, double ratio) {
  // Formatted once: a fifth of an inventory's trees may meet this rule.
  static const std::string bounds = [] {
    std::string text;
    AppendNumber(text, kLowestPlausibleRatio, false);
    AppendNumber(text.append("-"), static_cast<double>(kHighestPlausibleRatio), false);
    return text;
  }();
  w.Rule() << "height " << height << " m on diameter " << diameter
           << " cm is a pair the height-diameter table leaves empty as implausible (h/d " << ratio << " is outside "
           << bounds << ")";
}
void SiteIndexFarOutside(Warning& w, Code species, double siteIndex, vzorce::SiteIndexRange range) {
  w.Rule() << "site index " << siteIndex << " m is far outside " << species << "'s range " << range.lowest << "-"
           << range.highest << " m";
}
void HeightFarOffTheCurves(Warning& w, Code species, double height, double age) {
  w.Rule() << "height " << height << " m is far outside " << species << "'s curves at age " << age;
}
void NegativeTreesPerHa(Warning& w, double trees) { w.Rule() << "trees per hectare " << trees << " is negative"; }
void BeyondAnyTree(Warning& w) { w.Rule() << "diameter and height far beyond any tree"; }
std::string Explained(Warning explanation, const char* error) {
  if (std::string text = std::move(explanation).Text(); !text.empty()) return text + ": " + error;
  return error;
}

// ---- The rules ----

bool Outside(double value, double lowest, double highest) { return value < lowest || value > highest; }

bool OutsideRange(double siteIndex, vzorce::SiteIndexRange range) {
  return Outside(siteIndex, range.lowest, range.highest);
}

// Whether the young-stand model's threshold table has the site index: at an
// age below every threshold the model takes its path exactly when it does.
bool YoungStandTableHas(SpeciesIndex species, double siteIndex) {
  return vzorce::TakesYoungStandPath(species, -std::numeric_limits<double>::infinity(), siteIndex);
}

void SiteIndexRules(Warning& w, SpeciesIndex species, double age, double siteIndex) {
  const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(species);
  if (!OutsideRange(siteIndex, range)) return;
  SiteIndexOutsideRange(w, {species}, siteIndex, range);
  if (siteIndex < kSiteClassesBelow) SiteIndexIsAHeight(w);
  if (vzorce::IsYoungStandSpecies(species) && !YoungStandTableHas(species, siteIndex)) {
    ModelGivesZero(w);
  } else if (vzorce::TakesYoungStandPath(species, age, siteIndex)) {
    YoungStandModelTakesItAsItIs(w);
  } else {
    ModelTakesSiteIndex(w, siteIndex < range.lowest ? range.lowest : range.highest);
  }
}

void MaximumAgeRule(Warning& w, SpeciesIndex species, double age) {
  const int maximumAge = vzorce::MaximumAge(species);
  if (age > maximumAge) AgePastMaximum(w, {species}, age, maximumAge);
}

void NegativeResultRule(Warning& w, const Calculation& calculation, const double* results) {
  const auto names = ResultNames(calculation);
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (results[i] < 0) NegativeResult(w, names[i]);
  }
}

void HeightRules(Warning& w, SpeciesIndex species, double age, double siteIndex, double height) {
  SiteIndexRules(w, species, age, siteIndex);
  if (age <= 0) {
    AgeNotAboveZero(w);
    if (height == 0) ModelGivesZero(w);
  }
  MaximumAgeRule(w, species, age);
}

// The diameter model reads a height that no site index of the range reaches
// off an estimate beyond its curves.
void CurveRule(Warning& w, SpeciesIndex species, double age, double height) {
  const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(species);
  const double lowest = vzorce::SiteIndexHeight(species, age, range.lowest);
  if (lowest - static_cast<vzorce::Extended>(height) > kInversionTolerance) {
    HeightOffTheCurves(w, {species}, height, age, true, range.lowest, lowest);
    return;
  }
  const double highest = vzorce::SiteIndexHeight(species, age, range.highest);
  if (height - static_cast<vzorce::Extended>(highest) > kInversionTolerance) {
    HeightOffTheCurves(w, {species}, height, age, false, range.highest, highest);
  }
}

void DiameterRules(Warning& w, SpeciesIndex species, double age, double height) {
  MaximumAgeRule(w, species, age);
  CurveRule(w, species, age, height);
}

bool InTableDiameters(double diameter) {
  return !Outside(diameter, kLowestTableDiameter, kHighestTableDiameter);
}

// h/d as the message shows it: to hundredths, unless that lands on a bound the
// ratio lies beyond, or the ratio is too large to round.
double ShownRatio(double height, double diameter) {
  const double ratio = vzorce::Store(vzorce::Divide(height, diameter));
  if (ratio > 1e9) return ratio;
  const double rounded = vzorce::RoundToHundredths(ratio);
  const bool onABound = rounded == kLowestPlausibleRatio || rounded == static_cast<double>(kHighestPlausibleRatio);
  return onABound ? ratio : rounded;
}

void VolumeRules(Warning& w, double diameter, double height) {
  const bool smallDiameter = diameter < kVolumeModelSmallest, smallHeight = height < kVolumeModelSmallest;
  if (smallDiameter) TooSmallForVolume(w, kDiameter, diameter);
  if (smallHeight) TooSmallForVolume(w, kHeight, height);
  if (smallDiameter || smallHeight) ModelGivesZero(w);
  if (!smallDiameter && !InTableDiameters(diameter)) {
    OutsideTable(w, kDiameter, diameter, kLowestTableDiameter, kHighestTableDiameter);
    if (diameter > kHighestTableDiameter && InTableDiameters(diameter / 10)) MillimetresHint(w);
  }
  if (!smallHeight && Outside(height, kLowestTableHeight, kHighestTableHeight)) {
    OutsideTable(w, kHeight, height, kLowestTableHeight, kHighestTableHeight);
  }
  if (!smallDiameter && !smallHeight && !HasPlausibleRatio(height, diameter)) {
    ImplausiblePair(w, height, diameter, ShownRatio(height, diameter));
  }
}

}  // namespace

std::string DomainWarnings(const Calculation& calculation, SpeciesIndex species, const Numbers& numbers,
                           const double* results) {
  const auto [first, second, third] = numbers;
  Warning w;
  switch (calculation.quantity) {
    case Quantity::kHeight: HeightRules(w, species, first, second, results[0]); break;
    case Quantity::kDiameter:
    case Quantity::kSiteIndex: DiameterRules(w, species, first, second); break;
    case Quantity::kVolume: VolumeRules(w, first, second); break;
    case Quantity::kStandVolume:
      VolumeRules(w, first, second);
      if (third < 0) NegativeTreesPerHa(w, third);
      break;
  }
  NegativeResultRule(w, calculation, results);
  return std::move(w).Text();
}

std::string ExplainedError(const Calculation& calculation, SpeciesIndex species, const Numbers& numbers,
                           const vzorce::FloatingPointError& error) {
  const auto [first, second, third] = numbers;
  Warning w;
  switch (calculation.quantity) {
    case Quantity::kHeight:
      if (first <= 0) AgeNotAboveZero(w);
      else if (const auto range = vzorce::SiteIndexRangeOf(species); OutsideRange(second, range)) {
        SiteIndexFarOutside(w, {species}, second, range);
      }
      break;
    case Quantity::kDiameter:
    case Quantity::kSiteIndex:
      if (first <= 0) AgeNotAboveZero(w);
      else HeightFarOffTheCurves(w, {species}, second, first);
      break;
    case Quantity::kStandVolume:
    case Quantity::kVolume: BeyondAnyTree(w); break;
  }
  return Explained(std::move(w), error.what());
}

}  // namespace dravlik
