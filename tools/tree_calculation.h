// What the calculator asks of the models: a stand's height, diameter or site
// index, or a tree's volume, from a species and two numbers, optionally
// rounded as the tables round.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "species.h"

namespace dravlik {

enum class Quantity { kHeight, kDiameter, kSiteIndex, kVolume };

struct Calculation {
  Quantity quantity = Quantity::kVolume;
  bool rounded = false;     // tenths for heights and diameters, hundredths for volumes,
                            // whole site indices
  bool allVolumes = false;  // V1 to V4 instead of V1 alone
};

// The command that names a quantity ("height", "diameter", "site-index",
// "volume"), or false.
bool QuantityNamed(std::string_view command, Quantity& quantity);

// The inputs by their column names: species, then the two numbers in the order
// the command line takes them.
std::array<std::string_view, 3> InputNames(Quantity quantity);

// Column names of the results: "height", "diameter", "site_index", "volume",
// or v1 to v4.
std::span<const std::string_view> ResultNames(const Calculation& calculation);

// Writes ResultNames(calculation).size() results. The models' arithmetic
// errors (vzorce::FloatingPointError) reach the caller.
void Calculate(const Calculation& calculation, vzorce::SpeciesIndex species, double first, double second,
               double* results);

}  // namespace dravlik
