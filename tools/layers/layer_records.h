// A layer's attributes as the records of a CSV file, so that every command of
// the calculator reads a layer as it reads its CSV files: numbers as their
// shortest exact text, text quoted where needed, nulls empty. A last column
// numbers the features, so that no record is blank and each result finds its
// feature.
#pragma once

#include <ogrsf_frmts.h>

#include <cstdint>
#include <string>

#include "csv_block_reader.h"
#include "tree_rows.h"

namespace dravlik {

// The name of the column that numbers the features (from 1).
inline constexpr std::string_view kFeatureColumn = "pdravlik_feature";

class LayerRecords {
 public:
  // Reads `layer` from its first feature; the header first.
  LayerRecords(OGRLayer& layer, const CsvFormat& format);

  InputReader Reader();

 private:
  void AppendHeader();
  void AppendFeature(const OGRFeature& feature);
  void AppendValue(const OGRFeature& feature, int field);
  bool Refill();

  OGRLayer& layer_;
  CsvFormat format_;
  std::string pending_;
  std::size_t taken_ = 0;
  std::uint64_t features_ = 0;
  bool ended_ = false;
};

}  // namespace dravlik
