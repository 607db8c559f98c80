// A new layer written whole or not at all: GDAL writes it into a private
// directory beside the target, and only a complete file (all of a format's
// files) is renamed into place. The input's fields, geometry fields,
// coordinate system and feature order are kept; the calculator's columns are
// added after them.
#pragma once

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dravlik {

struct AddedField {
  std::string name;
  OGRFieldType type;
};

// A directory only this program writes in, removed with what it holds. It is
// locked while it lives, so that the next writer of the same target removes
// only what a killed writer left.
class PrivateDirectory {
 public:
  PrivateDirectory() = default;
  ~PrivateDirectory() { Remove(); }
  PrivateDirectory(const PrivateDirectory&) = delete;
  PrivateDirectory& operator=(const PrivateDirectory&) = delete;
  // Beside `path`; false with errno set when it cannot be made.
  bool MakeBeside(const std::string& path);
  const std::string& path() const { return path_; }
  void Remove() noexcept;

 private:
  std::string path_;
  int fd_ = -1;
};

class LayerOutput {
 public:
  // `source` null: a table without geometry; `sourceFields` false: its
  // geometry but none of its fields. TreeFileError naming the output on
  // failure.
  LayerOutput(const std::string& path, GDALDriver& driver, const char* layerName, OGRLayer* source,
              const std::vector<AddedField>& added, bool sourceFields = true);
  LayerOutput(const LayerOutput&) = delete;
  LayerOutput& operator=(const LayerOutput&) = delete;

  // A feature of the new layer's definition.
  OGRFeatureUniquePtr NewFeature() const;
  // Copies the source's fields and geometries into `feature`.
  void CopySource(const OGRFeature& source, OGRFeature& feature) const;
  // A copy of `geometry` as the layer's type.
  void SetGeometry(OGRFeature& feature, const OGRGeometry& geometry) const;
  // The index of the first added field.
  int FirstAdded() const { return firstAdded_; }
  void Write(OGRFeature& feature);
  void Commit();

 private:
  [[noreturn]] void Fail(const std::string& what) const;
  void CreateLayer(const char* layerName, OGRLayer* source, const std::vector<AddedField>& added, bool sourceFields);
  void RenameIntoPlace();

  std::string path_;
  PrivateDirectory directory_;  // before the dataset, which is closed first
  std::string inside_;          // the output's path inside it
  GDALDatasetUniquePtr dataset_;
  OGRLayer* layer_ = nullptr;
  OGRwkbGeometryType geometryType_ = wkbNone;
  std::vector<int> sourceMap_;
  int firstAdded_ = 0;
  bool keepIds_ = false;
  bool transactions_ = false;
  std::uint64_t inTransaction_ = 0;
};

}  // namespace dravlik
