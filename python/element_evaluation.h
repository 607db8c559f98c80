// The calculator's models element by element over arrays: each element's
// inputs are checked as a tree file's row is read, then evaluated as the
// calculator evaluates a row, so that both give the same numbers and texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "species_arrays.h"
#include "tree_calculation.h"

namespace dravlik::python {

// An input of `count` elements, or of one that every element shares.
struct NumberColumn {
  const double* values = nullptr;
  std::size_t count = 0;
  double Of(std::size_t element) const { return values[count == 1 ? 0 : element]; }
};

// Texts of some elements, each distinct text kept once.
struct ElementTexts {
  std::vector<std::uint64_t> elements;
  std::vector<std::uint32_t> codes;  // into `texts`
  std::vector<std::string> texts;
};

struct ElementRequest {
  Calculation calculation;
  bool strict = false;
  bool keepTexts = false;  // the errors and warnings, not only the values
};

struct ElementResults {
  ElementTexts errors, warnings;
  // With `strict`: the first element with an error, and nothing after it computed.
  std::optional<std::pair<std::uint64_t, std::string>> firstError;
};

// `numbers` hold the inputs after species, in the order InputNames gives
// them. `values` gets ResultNames(calculation).size() results per element,
// NaN for an element with an error.
ElementResults EvaluateElements(const ElementRequest& request, const SpeciesCodes& species,
                                const std::vector<NumberColumn>& numbers, std::size_t count, double* values);

}  // namespace dravlik::python
