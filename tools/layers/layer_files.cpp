#include "layer_files.h"

#include <sys/stat.h>

#include <cpl_error.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string_view>

#include "encoded_streams.h"

namespace dravlik {
namespace {

void RegisterDrivers() {
  static std::once_flag once;
  std::call_once(once, [] {
    GDALAllRegister();
    // GDAL would otherwise print its errors; they travel in our messages.
    CPLSetErrorHandler(CPLQuietErrorHandler);
  });
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

struct Extension {
  std::string_view extension;
  std::string_view driver;
};

// Where the output's name says its format, as ogr2ogr reads it.
constexpr Extension kExtensions[] = {
    {".gpkg", "GPKG"},        {".shp", "ESRI Shapefile"}, {".fgb", "FlatGeobuf"}, {".geojson", "GeoJSON"},
    {".json", "GeoJSON"},     {".geojsonl", "GeoJSONSeq"}, {".gml", "GML"},       {".kml", "KML"},
    {".sqlite", "SQLite"},    {".csv", "CSV"},            {".gpx", "GPX"},        {".parquet", "Parquet"},
    {".arrow", "Arrow"},      {".ods", "ODS"},            {".xlsx", "XLSX"},      {".mif", "MapInfo File"},
    {".tab", "MapInfo File"},
};

std::optional<std::string_view> DriverForName(const std::string& output) {
  const std::string name = Lower(output);
  for (const Extension& known : kExtensions) {
    if (name.ends_with(known.extension)) return known.driver;
  }
  return std::nullopt;
}

bool WritesVectors(GDALDriver* driver) {
  return driver && driver->GetMetadataItem(GDAL_DCAP_VECTOR) && driver->GetMetadataItem(GDAL_DCAP_CREATE);
}

std::string LayerNames(GDALDataset& dataset) {
  std::string names;
  for (OGRLayer* layer : dataset.GetLayers()) {
    if (!names.empty()) names += ", ";
    names += layer->GetName();
  }
  return names;
}

}  // namespace

std::string GdalReason(const char* fallback) {
  const char* message = CPLGetLastErrorMsg();
  return message && *message ? message : fallback;
}

bool IsLayerFile(const std::string& path) {
  // Identifying reads the file: a pipe would lose what it read.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !(S_ISREG(status.st_mode) || S_ISDIR(status.st_mode))) return false;
  RegisterDrivers();
  GDALDriverH driver = GDALIdentifyDriverEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr);
  return driver && std::string_view(GDALGetDriverShortName(driver)) != "CSV";
}

OpenedLayer OpenLayer(const std::string& path, const std::optional<std::string>& layer) {
  RegisterDrivers();
  CPLErrorReset();
  OpenedLayer opened;
  opened.dataset.reset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR));
  if (!opened.dataset) throw TreeFileError("cannot read " + path + " as a layer: " + GdalReason("GDAL cannot open it"));
  opened.driver = opened.dataset->GetDriverName();
  if (layer) {
    opened.layer = opened.dataset->GetLayerByName(layer->c_str());
    if (!opened.layer) {
      throw TreeFileError(path + " has no layer " + *layer + "; its layers: " + LayerNames(*opened.dataset));
    }
  } else if (opened.dataset->GetLayerCount() == 1) {
    opened.layer = opened.dataset->GetLayer(0);
  } else if (opened.dataset->GetLayerCount() == 0) {
    throw TreeFileError(path + " holds no layer");
  } else {
    throw TreeFileError(path + " holds several layers; choose one with --layer: " + LayerNames(*opened.dataset));
  }
  return opened;
}

GDALDriver* OutputDriver(const std::optional<std::string>& format, const std::string& output,
                         const std::string& inputDriver) {
  RegisterDrivers();
  std::string name = format ? *format : std::string(DriverForName(output).value_or(inputDriver));
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(name.c_str());
  if (!driver) throw TreeFileError("GDAL has no format named " + name + " (see ogrinfo --formats)");
  if (!WritesVectors(driver)) throw TreeFileError("GDAL cannot write vector layers as " + name);
  return driver;
}

}  // namespace dravlik
