// The height curves of a tree file, one per group and species, fitted to the
// trees with both a diameter and a height, and the heights they give the
// trees measured at breast height only.
#pragma once

#include <cstdint>
#include <vector>
#include <string>
#include <utility>
#include <variant>

#include "height_curve.h"
#include "species.h"
#include "tree_groups.h"
#include "tree_rows.h"

namespace dravlik {

struct CurveChoice {
  CurveKind kind = CurveKind::kNaslund;
  std::uint64_t minimumHeights = 5;  // a group with fewer gets no curve
};

// A height from a curve, or why there is none.
struct FilledHeight {
  double height = 0;
  std::string warning;  // a diameter beyond those the curve was fitted on
  std::string error;    // empty when there is a height
};

class GroupCurves {
 public:
  explicit GroupCurves(const CurveChoice& choice) : choice_(choice) {}

  // First pass: every tree with both values.
  void AddMeasured(GroupNumber group, vzorce::SpeciesIndex species, double diameter, double height);
  void Fit();
  // After Fit, the same trees again, for each curve's residual error.
  void AddResidual(GroupNumber group, vzorce::SpeciesIndex species, double diameter, double height);

  // After Fit; safe beside other readers. No group: one that had no tree
  // with both values.
  FilledHeight Fill(std::optional<GroupNumber> group, vzorce::SpeciesIndex species, double diameter) const;

  // A CSV of every group's and species' curve: the group columns, species,
  // curve, a, b, trees, residual_standard_error, smallest_diameter,
  // largest_diameter, error.
  void AppendTable(std::string& out, const TreeGroups& groups, const CsvFormat& format) const;

 private:
  struct Entry {
    explicit Entry(CurveKind kind) : fit(kind) {}
    HeightCurveFit fit;
    std::variant<HeightCurve, std::string> curve = std::string();
    CurveResiduals residuals;
  };
  using GroupEntries = std::vector<std::pair<vzorce::SpeciesIndex, Entry>>;  // a group's few species

  Entry* Find(GroupNumber group, vzorce::SpeciesIndex species);
  void AppendCurve(std::string& out, const std::vector<std::string>& groupTexts, vzorce::SpeciesIndex species,
                   const Entry& entry, const CsvFormat& format) const;
  const Entry* Find(GroupNumber group, vzorce::SpeciesIndex species) const;

  CurveChoice choice_;
  std::vector<GroupEntries> groups_;  // by group number
};

}  // namespace dravlik
