// pdravlik-calc stand over arrays: the trees are handed to the calculator's
// own summary as the CSV file it reads, made on the fly, so that the arrays
// and the file give the same summary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "group_curves.h"
#include "text_codes.h"

namespace dravlik::python {

struct StandArrays {
  std::size_t count = 0;
  const std::int64_t* speciesIndices = nullptr;  // or
  TextCodes speciesTexts;
  const double* diameters = nullptr;  // NaN: none
  const double* heights = nullptr;
  const double* plotAreas = nullptr;  // each tree's, m², or none
  std::vector<std::string> groupNames;
  std::vector<TextCodes> groups;
};

struct StandArraysRequest {
  std::optional<double> plotArea;  // m², every group's, where the trees have none
  std::optional<CurveChoice> fillHeights;
};

// The summary's CSV, as `pdravlik-calc stand` writes it. Throws
// std::invalid_argument or TreeFileError where the calculator would refuse.
std::string SummariseStandArrays(const StandArrays& trees, const StandArraysRequest& request);

}  // namespace dravlik::python
