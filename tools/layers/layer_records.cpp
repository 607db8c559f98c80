#include "layer_records.h"

#include <cpl_error.h>

#include <algorithm>
#include <cstring>

#include "delimited_fields.h"
#include "encoded_streams.h"
#include "layer_files.h"
#include "letter_case.h"

namespace dravlik {
namespace {

constexpr std::size_t kFeaturesAtOnce = 1024;

}  // namespace

LayerRecords::LayerRecords(OGRLayer& layer, const CsvFormat& format) : layer_(layer), format_(format) {
  layer_.ResetReading();
  AppendHeader();
}

void LayerRecords::AppendHeader() {
  const OGRFeatureDefn& definition = *layer_.GetLayerDefn();
  for (int field = 0; field < definition.GetFieldCount(); ++field) {
    const char* name = definition.GetFieldDefn(field)->GetNameRef();
    if (SameTextIgnoringCase(name, kFeatureColumn)) {
      throw TreeFileError("the layer has a field named " + std::string(name) + ", which the calculator uses itself");
    }
    AppendField(pending_, name, format_.delimiter);
    pending_ += format_.delimiter;
  }
  pending_.append(kFeatureColumn).append("\n");
}

void LayerRecords::AppendValue(const OGRFeature& feature, int field) {
  if (!feature.IsFieldSetAndNotNull(field)) return;
  switch (feature.GetFieldDefnRef(field)->GetType()) {
    case OFTReal: AppendNumberField(pending_, feature.GetFieldAsDouble(field), format_); return;
    case OFTInteger:
    case OFTInteger64: pending_ += std::to_string(feature.GetFieldAsInteger64(field)); return;
    case OFTBinary: return;  // nothing a model reads
    default: AppendField(pending_, feature.GetFieldAsString(field), format_.delimiter); return;
  }
}

void LayerRecords::AppendFeature(const OGRFeature& feature) {
  for (int field = 0; field < feature.GetFieldCount(); ++field) {
    AppendValue(feature, field);
    pending_ += format_.delimiter;
  }
  pending_.append(std::to_string(++features_)).append("\n");
}

bool LayerRecords::Refill() {
  pending_.clear();
  taken_ = 0;
  for (std::size_t i = 0; i < kFeaturesAtOnce && !ended_; ++i) {
    CPLErrorReset();
    const OGRFeatureUniquePtr feature(layer_.GetNextFeature());
    if (!feature) {
      // A broken file must not read as a shorter layer.
      if (CPLGetLastErrorType() >= CE_Failure) throw TreeFileError("cannot read the layer: " + GdalReason("?"));
      ended_ = true;
      break;
    }
    AppendFeature(*feature);
  }
  return !pending_.empty();
}

InputReader LayerRecords::Reader() {
  return [this](char* buffer, std::size_t size) -> std::size_t {
    if (taken_ == pending_.size() && !Refill()) return 0;
    const std::size_t count = std::min(size, pending_.size() - taken_);
    std::memcpy(buffer, pending_.data() + taken_, count);
    taken_ += count;
    return count;
  };
}

}  // namespace dravlik
