// What the calculator asks of the models: a stand's height, diameter or site
// index, a tree's volume from a species and two numbers, or a stand's volume
// per hectare from its mean tree and its trees per hectare, optionally
// rounded as the tables round.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "species.h"

namespace dravlik {

enum class Quantity { kHeight, kDiameter, kSiteIndex, kVolume, kStandVolume };

struct Calculation {
  Quantity quantity = Quantity::kVolume;
  bool rounded = false;     // tenths for heights and diameters, hundredths for volumes,
                            // whole site indices
  bool allVolumes = false;  // V1 to V4 instead of V1 alone
};

// The command that names a quantity ("height", "diameter", "site-index",
// "volume", "stand-volume"), or false.
bool QuantityNamed(std::string_view command, Quantity& quantity);

// The inputs by their column names: species, then the numbers in the order
// the command line takes them.
std::span<const std::string_view> InputNames(Quantity quantity);

// "species, diameter and height"
std::string ListedNames(std::span<const std::string_view> names);

// A command's numbers in the order its command line takes them; those it
// does not take are 0.
using Numbers = std::array<double, 3>;

// Column names of the results: "height", "diameter", "site_index", "volume",
// v1 to v4, or "volume_per_ha".
std::span<const std::string_view> ResultNames(const Calculation& calculation);

// Writes ResultNames(calculation).size() results. The models' arithmetic
// errors (vzorce::FloatingPointError) reach the caller.
void Calculate(const Calculation& calculation, vzorce::SpeciesIndex species, const Numbers& numbers, double* results);

// Why a row or an element has no inputs to compute, in the words every
// caller shows: "No value in height", "Unknown species: XX", "Not a number
// in age: 12a".
std::string NoValueIn(std::string_view input);
std::string UnknownSpecies(std::string_view written);
std::string NotANumberIn(std::string_view input, std::string_view value);

// Adds `part` to a list of warnings or notes, "; " between them.
void AppendJoined(std::string& text, std::string_view part);

// One tree's or stand's results with the warning and the error a forester
// is shown; the results count only without an error.
struct Evaluation {
  double results[4] = {0, 0, 0, 0};
  std::string warning;
  std::optional<std::string> error;
};

// Calculate with its domain warnings joined after `warning` (what the inputs
// already carry, e.g. a filled height's) and its arithmetic error explained;
// `strict` makes any warning the error.
Evaluation Evaluate(const Calculation& calculation, vzorce::SpeciesIndex species, const Numbers& numbers, bool strict,
                    std::string warning = {});

}  // namespace dravlik
