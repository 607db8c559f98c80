// The height curves of a whole tree file, by group and species: one pass over
// the file fits them, a second (when their errors are asked for) measures
// how far the measured heights lie from them; then the trees without a
// height are filled from them as the rows are computed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "group_curves.h"
#include "tree_file_calculation.h"
#include "tree_groups.h"

namespace dravlik {

struct FillRequest {
  CurveChoice curve;
  std::vector<std::string> groupBy;  // none: one curve per species
};

class FileCurves {
 public:
  // `options` are the file's, kept by reference.
  FileCurves(const TreeFileOptions& options, const FillRequest& request);

  // The passes, each over the whole input as UTF-8.
  void Fit(const InputReader& read);
  void MeasureResiduals(const InputReader& read);

  TreeGroups& Groups() { return *groups_; }
  GroupCurves& Curves() { return curves_; }
  // For the rows' job, after Fit.
  const HeightFilling* Filling() const { return &filling_; }

  // The curves as CSV, after MeasureResiduals.
  std::string Table() const;

 private:
  using MeasuredTree = std::function<void(GroupNumber, vzorce::SpeciesIndex, double diameter, double height)>;
  void ForEachMeasuredTree(const InputReader& read, const MeasuredTree& take);

  const TreeFileOptions& options_;
  FillRequest request_;
  std::optional<TreeGroups> groups_;  // from the header
  GroupCurves curves_;
  HeightFilling filling_;
};

}  // namespace dravlik
