#include "group_curves.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "delimited_fields.h"
#include "number_text.h"
#include "species_catalogue.h"

namespace dravlik {
namespace {

std::string Number(double value) {
  std::string text;
  AppendNumber(text, value, false);
  return text;
}

// Empty where the curve has no value.
void AppendValue(std::string& out, double value, const CsvFormat& format) {
  out += format.delimiter;
  if (!std::isnan(value)) AppendNumberField(out, value, format);
}

}  // namespace

const GroupCurves::Entry* GroupCurves::Find(GroupNumber group, vzorce::SpeciesIndex species) const {
  if (group >= groups_.size()) return nullptr;
  for (const auto& [entrySpecies, entry] : groups_[group]) {
    if (entrySpecies == species) return &entry;
  }
  return nullptr;
}

GroupCurves::Entry* GroupCurves::Find(GroupNumber group, vzorce::SpeciesIndex species) {
  return const_cast<Entry*>(std::as_const(*this).Find(group, species));
}

void GroupCurves::AddMeasured(GroupNumber group, vzorce::SpeciesIndex species, double diameter, double height) {
  Entry* entry = Find(group, species);
  if (!entry) {
    if (group >= groups_.size()) groups_.resize(group + 1);
    GroupEntries& entries = groups_[group];
    const auto place = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.first > species; });
    entry = &entries.emplace(place, species, Entry(choice_.kind))->second;
  }
  entry->fit.Add(diameter, height);
}

void GroupCurves::Fit() {
  for (GroupEntries& entries : groups_) {
    for (auto& [species, entry] : entries) entry.curve = entry.fit.Fit(choice_.minimumHeights);
  }
}

void GroupCurves::AddResidual(GroupNumber group, vzorce::SpeciesIndex species, double diameter, double height) {
  Entry* entry = Find(group, species);
  if (!entry) return;
  if (const auto* curve = std::get_if<HeightCurve>(&entry->curve)) entry->residuals.Add(*curve, diameter, height);
}

FilledHeight GroupCurves::Fill(std::optional<GroupNumber> group, vzorce::SpeciesIndex species,
                               double diameter) const {
  const Entry* entry = group ? Find(*group, species) : nullptr;
  const auto* curve = entry ? std::get_if<HeightCurve>(&entry->curve) : nullptr;
  if (!curve) {
    // A group without the species' measured trees says it as a fit on none does.
    const std::string why = entry ? std::get<std::string>(entry->curve)
                                  : std::get<std::string>(HeightCurveFit(choice_.kind).Fit(choice_.minimumHeights));
    return {0, {}, "No value in height, and no height curve for " + WrittenCode(species) + ": " + why};
  }
  FilledHeight filled{curve->Height(diameter), {}, {}};
  if (std::isnan(filled.height)) {
    filled.error = "No value in height, and the " + WrittenCode(species) + " height curve has none at diameter " +
                   Number(diameter) + " cm";
  } else if (diameter < curve->smallestDiameter || diameter > curve->largestDiameter) {
    filled.warning = "height from the " + WrittenCode(species) + " height curve at diameter " + Number(diameter) +
                     " cm, beyond the " + Number(curve->smallestDiameter) + "-" + Number(curve->largestDiameter) +
                     " cm it was fitted on";
  }
  return filled;
}

void GroupCurves::AppendTable(std::string& out, const TreeGroups& groups, const CsvFormat& format) const {
  const char delimiter = format.delimiter;
  TreeGroups::AppendFields(out, groups.Names(), delimiter);
  for (const char* name : {"species", "curve", "a", "b", "trees", "residual_standard_error", "smallest_diameter",
                           "largest_diameter"}) {
    out.append(name).append(1, delimiter);
  }
  out += "error\n";
  for (GroupNumber group = 0; group < groups_.size(); ++group) {
    for (const auto& [species, entry] : groups_[group]) AppendCurve(out, groups.Texts(group), species, entry, format);
  }
}

void GroupCurves::AppendCurve(std::string& out, const std::vector<std::string>& groupTexts,
                              vzorce::SpeciesIndex species, const Entry& entry, const CsvFormat& format) const {
  const char delimiter = format.delimiter;
  TreeGroups::AppendFields(out, groupTexts, delimiter);
  out.append(WrittenCode(species)).append(1, delimiter).append(CurveName(choice_.kind));
  const auto* curve = std::get_if<HeightCurve>(&entry.curve);
  const double nan = std::nan("");
  AppendValue(out, curve ? curve->a : nan, format);
  AppendValue(out, curve ? curve->b : nan, format);
  out.append(1, delimiter).append(std::to_string(entry.fit.TreesUsed()));
  AppendValue(out, curve ? entry.residuals.StandardError() : nan, format);
  AppendValue(out, curve ? curve->smallestDiameter : nan, format);
  AppendValue(out, curve ? curve->largestDiameter : nan, format);
  out += delimiter;
  if (!curve) AppendField(out, std::get<std::string>(entry.curve), delimiter);
  out += '\n';
}

}  // namespace dravlik
