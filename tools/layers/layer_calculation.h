// The calculator's commands on GIS layers: the layer's attributes pass through
// the same row and summary code as a CSV file's records, and the results go
// into a new layer beside each feature's own fields and geometry.
#pragma once

#include <optional>
#include <string>

#include "calculator_options.h"

namespace dravlik {

// A row command (height, volume, ...) over the layer of `input` into a new
// layer at `output`; with `fill`, heights from curves, whose table goes to
// `curves` when it is not null.
TreeFileSummary CalculateLayer(const TreeFileOptions& options, const std::optional<FillRequest>& fill,
                               const LayerRequest& request, const std::string& input, const std::string& output,
                               std::string* curves);

// The stand summary of a layer's trees as CSV text through `write`.
StandSummaryCounts SummariseLayer(const TreeFileOptions& options, const StandRequest& stand,
                                  const LayerRequest& request, const std::string& input, const OutputWriter& write,
                                  std::string* curves);

// The same summary as a new layer at `output`: a table, or with each group's
// geometry when the request dissolves.
StandSummaryCounts SummariseLayerInto(const TreeFileOptions& options, const StandRequest& stand,
                                      const LayerRequest& request, const std::string& input,
                                      const std::string& output, std::string* curves);

}  // namespace dravlik
