// GIS layers through GDAL: which inputs are layers, opening one, and the
// driver an output is written with.
#pragma once

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <optional>
#include <string>

namespace dravlik {

// Whether GDAL knows `path` as a vector format other than CSV, which the
// calculator reads itself.
bool IsLayerFile(const std::string& path);

struct OpenedLayer {
  GDALDatasetUniquePtr dataset;
  OGRLayer* layer = nullptr;
  std::string driver;  // GDAL's short name
};

// The layer named `layer`, or the file's only layer; TreeFileError naming the
// file and GDAL's reason, or the layers to choose from.
OpenedLayer OpenLayer(const std::string& path, const std::optional<std::string>& layer);

// The driver of `format`, else the one the output's name suggests, else the
// input's; TreeFileError when it cannot write vector layers.
GDALDriver* OutputDriver(const std::optional<std::string>& format, const std::string& output,
                         const std::string& inputDriver);

// GDAL's last error message, or `fallback`.
std::string GdalReason(const char* fallback);

}  // namespace dravlik
