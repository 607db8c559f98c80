// What a forester should be told when a calculation's inputs lie outside the
// models' domain: the models still give a number there (or an arithmetic
// error), which is kept as it is; the warning names the rule in a forester's
// words.
#pragma once

#include <string>

#include "numeric.h"
#include "species.h"
#include "tree_calculation.h"

namespace dravlik {

// Rules in a forester's words for inputs outside the models' domain, joined
// by "; "; empty when there is nothing to say. `numbers` are the command's
// (height: age, site index; diameter and site index: age, height; volume:
// diameter, height; stand volume: diameter, height, trees per hectare);
// `results` are what Calculate gave for them. Cheap and without allocation
// when every input lies within the domain.
std::string DomainWarnings(const Calculation& calculation, vzorce::SpeciesIndex species, const Numbers& numbers,
                           const double* results);

// The model's arithmetic error text with a forester's explanation in front,
// e.g. "age must be above 0: Floating point division by zero"; the bare text
// where no explanation applies.
std::string ExplainedError(const Calculation& calculation, vzorce::SpeciesIndex species, const Numbers& numbers,
                           const vzorce::FloatingPointError& error);

}  // namespace dravlik
