#include "group_curves.h"

#include <cmath>

#include "delimited_fields.h"
#include "number_text.h"

namespace dravlik {
namespace {

std::string SpeciesText(vzorce::SpeciesIndex species) {
  std::string code;
  vzorce::SpeciesCode(species, code);
  return code.substr(0, code.find(' '));
}

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

void GroupCurves::AddMeasured(GroupNumber group, vzorce::SpeciesIndex species, double diameter, double height) {
  entries_.try_emplace({group, species}, choice_.kind).first->second.fit.Add(diameter, height);
}

void GroupCurves::Fit() {
  for (auto& [key, entry] : entries_) entry.curve = entry.fit.Fit(choice_.minimumHeights);
}

void GroupCurves::AddResidual(GroupNumber group, vzorce::SpeciesIndex species, double diameter, double height) {
  const auto found = entries_.find({group, species});
  if (found == entries_.end()) return;
  if (const auto* curve = std::get_if<HeightCurve>(&found->second.curve)) {
    found->second.residuals.Add(*curve, diameter, height);
  }
}

FilledHeight GroupCurves::Fill(std::optional<GroupNumber> group, vzorce::SpeciesIndex species,
                               double diameter) const {
  const std::string noCurve = "No value in height, and no height curve for " + SpeciesText(species) + ": ";
  const auto found = group ? entries_.find({*group, species}) : entries_.end();
  if (found == entries_.end()) {
    // As a fit on no trees says it.
    return {0, {}, noCurve + std::get<std::string>(HeightCurveFit(choice_.kind).Fit(choice_.minimumHeights))};
  }
  const auto* curve = std::get_if<HeightCurve>(&found->second.curve);
  if (!curve) return {0, {}, noCurve + std::get<std::string>(found->second.curve)};
  FilledHeight filled{curve->Height(diameter), {}, {}};
  if (std::isnan(filled.height)) {
    filled.error = "No value in height, and the " + SpeciesText(species) + " height curve has none at diameter " +
                   Number(diameter) + " cm";
  } else if (diameter < curve->smallestDiameter || diameter > curve->largestDiameter) {
    filled.warning = "height from the " + SpeciesText(species) + " height curve at diameter " + Number(diameter) +
                     " cm, beyond the " + Number(curve->smallestDiameter) + "-" + Number(curve->largestDiameter) +
                     " cm it was fitted on";
  }
  return filled;
}

void GroupCurves::AppendTable(std::string& out, const TreeGroups& groups, const CsvFormat& format) const {
  const char delimiter = format.delimiter;
  for (const std::string& name : groups.Names()) AppendField(out, name, delimiter), out += delimiter;
  for (const char* name : {"species", "curve", "a", "b", "trees", "residual_standard_error", "smallest_diameter",
                           "largest_diameter"}) {
    out.append(name).append(1, delimiter);
  }
  out += "error\n";
  for (const auto& [key, entry] : entries_) {
    for (const std::string& text : groups.Texts(key.first)) AppendField(out, text, delimiter), out += delimiter;
    out.append(SpeciesText(key.second)).append(1, delimiter).append(CurveName(choice_.kind));
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
}

}  // namespace dravlik
