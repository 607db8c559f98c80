#include "element_evaluation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace dravlik::python {
namespace {

// Why an element has no inputs to compute, in the order and words a tree
// file's row is refused: an empty field first, then an unknown species, then
// a number the file could not hold (NaN stands for the empty field).
std::optional<std::string> InputError(const Calculation& calculation, const SpeciesEntry& species,
                                      const Numbers& numbers, std::size_t count) {
  const auto names = InputNames(calculation.quantity);
  if (species.missing) return NoValueIn(names[0]);
  for (std::size_t i = 0; i < count; ++i) {
    if (std::isnan(numbers[i])) return NoValueIn(names[i + 1]);
  }
  if (!species.species) return UnknownSpecies(species.written);
  for (std::size_t i = 0; i < count; ++i) {
    if (std::isinf(numbers[i])) {
      return NotANumberIn(names[i + 1], numbers[i] < 0 ? "-inf" : "inf");
    }
  }
  return std::nullopt;
}

class TextKeeper {
 public:
  explicit TextKeeper(ElementTexts& texts) : texts_(texts) {}
  void Add(std::uint64_t element, std::string text) {
    const auto [found, added] = codes_.try_emplace(std::move(text), static_cast<std::uint32_t>(texts_.texts.size()));
    if (added) texts_.texts.push_back(found->first);
    texts_.elements.push_back(element);
    texts_.codes.push_back(found->second);
  }

 private:
  ElementTexts& texts_;
  std::unordered_map<std::string, std::uint32_t> codes_;
};

}  // namespace

ElementResults EvaluateElements(const ElementRequest& request, const SpeciesCodes& species,
                                const std::vector<NumberColumn>& numbers, std::size_t count, double* values) {
  const std::size_t width = ResultNames(request.calculation).size();
  ElementResults out;
  std::fill_n(values, count * width, std::numeric_limits<double>::quiet_NaN());
  TextKeeper errors(out.errors), warnings(out.warnings);
  for (std::size_t element = 0; element < count; ++element) {
    Numbers inputs = {};
    for (std::size_t i = 0; i < numbers.size(); ++i) inputs[i] = numbers[i].Of(element);
    const SpeciesEntry& entry = species.Of(element);
    std::optional<std::string> error = InputError(request.calculation, entry, inputs, numbers.size());
    Evaluation evaluation;
    if (!error) {
      evaluation = Evaluate(request.calculation, *entry.species, inputs, request.strict);
      error = std::move(evaluation.error);
    }
    // Strict without texts stops at the first; with them each element keeps its own.
    if (error && request.strict && !request.keepTexts) {
      out.firstError.emplace(element, std::move(*error));
      return out;
    }
    if (error) {
      if (request.keepTexts) errors.Add(element, std::move(*error));
      continue;
    }
    std::copy_n(evaluation.results, width, values + element * width);
    if (request.keepTexts && !evaluation.warning.empty()) warnings.Add(element, std::move(evaluation.warning));
  }
  return out;
}

}  // namespace dravlik::python
