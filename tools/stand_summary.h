// pdravlik-calc stand: a tree list's growing stock per hectare, one line per
// group (plot, stand) and species and one per group for all species, with
// the trees that could not be computed counted and their reasons named.
// Memory grows with the groups and species, not with the trees.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "height_filling.h"
#include "tree_file_calculation.h"

namespace dravlik {

struct StandRequest {
  std::optional<double> plotArea;            // m², every group's
  std::optional<std::string> plotAreaColumn;  // or each tree's, in m²
  std::vector<std::string> groupBy;           // none: the file is one plot
  std::optional<CurveChoice> fillHeights;
};

struct StandSummaryCounts {
  std::uint64_t trees = 0;
  std::uint64_t leftOut = 0;
  std::uint64_t groups = 0;
};

// Each call gives a reader of the whole input from its start.
using InputPasses = std::function<InputReader()>;

// Writes the summary's CSV; with heights filled, `curves` gets the curves'
// table. `options` give the format, columns, species and encoding.
StandSummaryCounts SummariseStands(const TreeFileOptions& options, const StandRequest& request,
                                   const InputPasses& passes, const OutputWriter& write, std::string* curves);

}  // namespace dravlik
