#include "layer_calculation.h"

#include <functional>
#include <map>
#include <memory>

#include "csv_records.h"
#include "layer_files.h"
#include "layer_output.h"
#include "layer_records.h"
#include "number_text.h"
#include "tree_groups.h"
#include "tree_scan.h"

namespace dravlik {
namespace {

// GDAL hands a layer's text over as UTF-8, whatever the file's encoding.
TreeFileOptions Bridged(const TreeFileOptions& options) {
  if (!options.encoding.empty()) {
    throw TreeFileError("--encoding is for CSV files; GDAL reads a layer's text in its own encoding");
  }
  return options;
}

// CSV text pushed in pieces, handed on record by record.
class RecordStream {
 public:
  using Handler = std::function<void(const CsvRecord&)>;
  RecordStream(char delimiter, Handler handle) : delimiter_(delimiter), handle_(std::move(handle)) {}

  void Take(std::string_view bytes) {
    buffer_.append(bytes);
    Split(EndOfWholeRecords(buffer_, delimiter_, false));
  }
  void Finish() {
    Split(EndOfWholeRecords(buffer_, delimiter_, true));
    if (!buffer_.empty()) throw TreeFileError("the calculator's output ended inside a record");
  }

 private:
  void Split(std::size_t end) {
    const std::string_view whole(buffer_.data(), end);
    for (std::size_t start = 0; start < end;) {
      start = ReadRecord(whole, start, delimiter_, record_);
      handle_(record_);
    }
    buffer_.erase(0, end);
  }

  char delimiter_;
  Handler handle_;
  std::string buffer_;
  CsvRecord record_;
};

std::vector<AddedField> RowFields(const Calculation& calculation, bool filled) {
  std::vector<AddedField> added;
  if (filled) added = {{"height_used", OFTReal}, {"height_filled", OFTString}};
  for (std::string_view name : ResultNames(calculation)) added.push_back({std::string(name), OFTReal});
  added.push_back({"warning", OFTString});
  added.push_back({"error", OFTString});
  return added;
}

// One field of the calculator's text into a feature: empty is null.
void SetValue(OGRFeature& feature, int index, OGRFieldType type, std::string_view text, const CsvFormat& format) {
  if (text.empty()) return feature.SetFieldNull(index);
  if (type == OFTString) return feature.SetField(index, std::string(text).c_str());
  if (type == OFTInteger || type == OFTInteger64) {
    const auto number = ParseNumber(text, format.decimalComma);
    if (number && *number == static_cast<double>(static_cast<GIntBig>(*number))) {
      return feature.SetField(index, static_cast<GIntBig>(*number));
    }
    return feature.SetField(index, std::string(text).c_str());
  }
  const auto number = ParseNumber(text, format.decimalComma);
  if (!number) throw TreeFileError("not a number where the layer takes one: " + std::string(text));
  feature.SetField(index, *number);
}

// The calculator's rows back into features: each row's own feature read
// again, in order, with the added columns set.
class FeatureResults {
 public:
  FeatureResults(LayerOutput& output, OGRLayer& source, std::vector<AddedField> added, const CsvFormat& format)
      : output_(output), source_(source), added_(std::move(added)), format_(format) {
    source_.ResetReading();
  }

  void Take(const CsvRecord& record) {
    if (width_ == 0) {
      width_ = record.fields.size() - added_.size();
      return;
    }
    const OGRFeatureUniquePtr source(source_.GetNextFeature());
    const std::string number = std::to_string(++features_);
    if (!source || record.fields.size() != width_ + added_.size() || record.fields[width_ - 1] != number) {
      throw TreeFileError("feature " + number + " lost its place among the results");
    }
    const OGRFeatureUniquePtr feature = output_.NewFeature();
    output_.CopySource(*source, *feature);
    for (std::size_t i = 0; i < added_.size(); ++i) {
      SetValue(*feature, output_.FirstAdded() + static_cast<int>(i), added_[i].type, record.fields[width_ + i],
               format_);
    }
    output_.Write(*feature);
  }

  void Finish() {
    const OGRFeatureUniquePtr left(source_.GetNextFeature());
    if (left) throw TreeFileError("feature " + std::to_string(features_ + 1) + " got no results");
  }

 private:
  LayerOutput& output_;
  OGRLayer& source_;
  std::vector<AddedField> added_;
  CsvFormat format_;
  std::size_t width_ = 0;
  std::uint64_t features_ = 0;
};

// Each pass over the layer from its first feature.
class LayerPasses {
 public:
  LayerPasses(OGRLayer& layer, const CsvFormat& format) : layer_(layer), format_(format) {}
  InputReader Next() {
    records_.emplace(layer_, format_);
    return records_->Reader();
  }

 private:
  OGRLayer& layer_;
  CsvFormat format_;
  std::optional<LayerRecords> records_;
};

}  // namespace

TreeFileSummary CalculateLayer(const TreeFileOptions& options, const std::optional<FillRequest>& fill,
                               const LayerRequest& request, const std::string& input, const std::string& output,
                               std::string* curves) {
  TreeFileOptions bridged = Bridged(options);
  OpenedLayer records = OpenLayer(input, request.layer);
  OpenedLayer sources = OpenLayer(input, request.layer);
  LayerPasses passes(*records.layer, bridged.format);
  std::optional<FileCurves> fileCurves;
  if (fill) {
    fileCurves.emplace(bridged, *fill);
    fileCurves->Fit(passes.Next());
    if (curves) fileCurves->MeasureResiduals(passes.Next());
    bridged.filling = fileCurves->Filling();
  }
  const std::vector<AddedField> added = RowFields(bridged.calculation, fill.has_value());
  GDALDriver* driver = OutputDriver(request.format, output, records.driver);
  LayerOutput out(output, *driver, records.layer->GetName(), records.layer, added);
  FeatureResults results(out, *sources.layer, added, bridged.format);
  RecordStream stream(bridged.format.delimiter, [&](const CsvRecord& record) { results.Take(record); });
  const TreeFileSummary summary =
      CalculateTreeFile(bridged, passes.Next(), [&](std::string_view bytes) { stream.Take(bytes); });
  stream.Finish();
  results.Finish();
  out.Commit();
  if (curves && fileCurves) *curves = fileCurves->Table();
  return summary;
}

StandSummaryCounts SummariseLayer(const TreeFileOptions& options, const StandRequest& stand,
                                  const LayerRequest& request, const std::string& input, const OutputWriter& write,
                                  std::string* curves) {
  const TreeFileOptions bridged = Bridged(options);
  const OpenedLayer opened = OpenLayer(input, request.layer);
  LayerPasses passes(*opened.layer, bridged.format);
  return SummariseStands(bridged, stand, [&] { return passes.Next(); }, write, curves);
}

namespace {

using GroupTexts = std::vector<std::string>;

// One geometry of many: trees' points gathered, areas and lines united
// (GEOS through GDAL).
std::unique_ptr<OGRGeometry> United(OGRGeometryCollection& parts) {
  const OGRwkbGeometryType type = wkbFlatten(parts.getGeometryRef(0)->getGeometryType());
  if (type == wkbPoint || type == wkbMultiPoint) {
    return std::unique_ptr<OGRGeometry>(OGRGeometryFactory::forceToMultiPoint(parts.clone()));
  }
  if (type == wkbPolygon || type == wkbMultiPolygon) {
    const std::unique_ptr<OGRGeometry> areas(OGRGeometryFactory::forceToMultiPolygon(parts.clone()));
    return std::unique_ptr<OGRGeometry>(areas->UnionCascaded());
  }
  std::unique_ptr<OGRGeometry> united(parts.getGeometryRef(0)->clone());
  for (int i = 1; i < parts.getNumGeometries() && united; ++i) {
    united.reset(united->Union(parts.getGeometryRef(i)));
  }
  return united;
}

// Each group's trees' geometries, united. Memory grows with the trees'
// geometries, which the union needs all at once.
std::map<GroupTexts, std::unique_ptr<OGRGeometry>> DissolvedGroups(const std::string& input,
                                                                  const LayerRequest& request,
                                                                  const StandRequest& stand,
                                                                  const CsvFormat& format) {
  const OpenedLayer records = OpenLayer(input, request.layer);
  const OpenedLayer sources = OpenLayer(input, request.layer);
  LayerPasses passes(*records.layer, format);
  std::optional<TreeGroups> groups;
  std::vector<std::unique_ptr<OGRGeometryCollection>> collected;
  ScanTreeFile(
      passes.Next(), format.delimiter,
      [&](const CsvRecord& header) { groups.emplace(header, stand.groupBy, format.delimiter); },
      [&](const CsvRecord& row) {
        const GroupNumber group = groups->GroupOf(row);
        if (group >= collected.size()) collected.resize(group + 1);
        if (!collected[group]) collected[group] = std::make_unique<OGRGeometryCollection>();
        const OGRFeatureUniquePtr feature(sources.layer->GetNextFeature());
        if (feature && feature->GetGeometryRef()) collected[group]->addGeometry(feature->GetGeometryRef());
      });
  std::map<GroupTexts, std::unique_ptr<OGRGeometry>> dissolved;
  for (GroupNumber group = 0; group < collected.size(); ++group) {
    if (!collected[group] || collected[group]->IsEmpty()) continue;
    std::unique_ptr<OGRGeometry> united = United(*collected[group]);
    if (!united) throw TreeFileError("GDAL cannot unite the geometries of a group: " + GdalReason("no union"));
    dissolved[groups->Texts(group)] = std::move(united);
  }
  return dissolved;
}

OGRFieldType SummaryFieldType(std::string_view name, const StandRequest& stand, OGRLayer& source) {
  for (const std::string& group : stand.groupBy) {
    if (name != group) continue;
    const int index = source.GetLayerDefn()->GetFieldIndex(group.c_str());
    const OGRFieldType type = index >= 0 ? source.GetLayerDefn()->GetFieldDefn(index)->GetType() : OFTString;
    return type == OFTInteger || type == OFTInteger64 || type == OFTReal ? type : OFTString;
  }
  if (name == "species" || name == "warning" || name == "error") return OFTString;
  if (name == "trees" || name == "left_out") return OFTInteger64;
  return OFTReal;
}

}  // namespace

StandSummaryCounts SummariseLayerInto(const TreeFileOptions& options, const StandRequest& stand,
                                      const LayerRequest& request, const std::string& input,
                                      const std::string& output, std::string* curves) {
  const TreeFileOptions bridged = Bridged(options);
  std::string text;
  const StandSummaryCounts counts =
      SummariseLayer(options, stand, request, input, [&](std::string_view bytes) { text.append(bytes); }, curves);
  std::map<GroupTexts, std::unique_ptr<OGRGeometry>> geometries;
  if (request.dissolve) geometries = DissolvedGroups(input, request, stand, bridged.format);

  const OpenedLayer source = OpenLayer(input, request.layer);
  std::optional<LayerOutput> out;
  std::vector<AddedField> added;
  RecordStream stream(bridged.format.delimiter, [&](const CsvRecord& record) {
    if (!out) {
      for (std::string_view name : record.fields) {
        added.push_back({std::string(name), SummaryFieldType(name, stand, *source.layer)});
      }
      GDALDriver* driver = OutputDriver(request.format, output, source.driver);
      out.emplace(output, *driver, source.layer->GetName(), request.dissolve ? source.layer : nullptr, added, false);
      return;
    }
    const OGRFeatureUniquePtr feature = out->NewFeature();
    for (std::size_t i = 0; i < added.size() && i < record.fields.size(); ++i) {
      SetValue(*feature, static_cast<int>(i), added[i].type, record.fields[i], bridged.format);
    }
    const GroupTexts texts(record.fields.begin(), record.fields.begin() + static_cast<std::ptrdiff_t>(stand.groupBy.size()));
    if (const auto found = geometries.find(texts); found != geometries.end()) {
      out->SetGeometry(*feature, *found->second);
    }
    out->Write(*feature);
  });
  stream.Take(text);
  stream.Finish();
  if (!out) throw TreeFileError("the summary has no header");
  out->Commit();
  return counts;
}

}  // namespace dravlik
