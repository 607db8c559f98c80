#include "stand_arrays.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>

#include "delimited_fields.h"
#include "number_text.h"
#include "stand_summary.h"

namespace dravlik::python {
namespace {

constexpr char kDelimiter = ',';
constexpr std::size_t kRowsAtOnce = 4096;

void AppendNumberText(std::string& out, double value) {
  if (std::isnan(value)) return;  // an empty field, as a missing value is written
  if (std::isinf(value)) out += value < 0 ? "-inf" : "inf";
  else AppendNumber(out, value, false);
}

// The trees as a CSV file, read from its start by each pass.
class ArraysAsCsv {
 public:
  explicit ArraysAsCsv(const StandArrays& trees) : trees_(trees) { AppendHeader(); }

  std::size_t Read(char* buffer, std::size_t size) {
    if (offset_ == pending_.size()) {
      pending_.clear();
      offset_ = 0;
      for (const std::size_t end = std::min(trees_.count, row_ + kRowsAtOnce); row_ < end; ++row_) AppendRow(row_);
    }
    const std::size_t taken = std::min(size, pending_.size() - offset_);
    std::memcpy(buffer, pending_.data() + offset_, taken);
    offset_ += taken;
    return taken;
  }

 private:
  void AppendHeader() {
    pending_ = trees_.plotAreas ? "species,diameter,height,plot_area" : "species,diameter,height";
    for (const std::string& name : trees_.groupNames) AppendField(pending_ += kDelimiter, name, kDelimiter);
    pending_ += '\n';
  }

  void AppendRow(std::size_t row) {
    if (trees_.speciesIndices) pending_ += std::to_string(trees_.speciesIndices[row]);
    else AppendField(pending_, trees_.speciesTexts.Of(row), kDelimiter);
    AppendNumberText(pending_ += kDelimiter, trees_.diameters[row]);
    AppendNumberText(pending_ += kDelimiter, trees_.heights[row]);
    if (trees_.plotAreas) AppendNumberText(pending_ += kDelimiter, trees_.plotAreas[row]);
    for (const TextCodes& group : trees_.groups) AppendField(pending_ += kDelimiter, group.Of(row), kDelimiter);
    pending_ += '\n';
  }

  const StandArrays& trees_;
  std::string pending_;
  std::size_t offset_ = 0, row_ = 0;
};

std::string ColumnNumber(std::size_t index) { return "#" + std::to_string(index + 1); }

}  // namespace

std::string SummariseStandArrays(const StandArrays& trees, const StandArraysRequest& request) {
  TreeFileOptions options;
  // By number, so that a group named like an input cannot be taken for it.
  options.columns = {{"species", "#1"}, {"diameter", "#2"}, {"height", "#3"}};
  StandRequest stand;
  std::size_t next = 3;
  if (trees.plotAreas) stand.plotAreaColumn = ColumnNumber(next++);
  else stand.plotArea = request.plotArea;
  for (std::size_t i = 0; i < trees.groups.size(); ++i) stand.groupBy.push_back(ColumnNumber(next++));
  stand.fillHeights = request.fillHeights;

  std::deque<ArraysAsCsv> passes;  // each where its reader finds it
  std::string summary;
  SummariseStands(
      options, stand,
      [&] {
        ArraysAsCsv& pass = passes.emplace_back(trees);
        return [&pass](char* buffer, std::size_t size) { return pass.Read(buffer, size); };
      },
      [&](std::string_view bytes) { summary.append(bytes); }, nullptr);
  return summary;
}

}  // namespace dravlik::python
