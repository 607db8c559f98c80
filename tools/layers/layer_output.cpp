#include "layer_output.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cpl_error.h>
#include <cpl_string.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "encoded_streams.h"
#include "hidden_file.h"
#include "layer_files.h"

namespace dravlik {
namespace {

// GPKG writes fastest in large transactions; ogr2ogr takes the same step.
constexpr std::uint64_t kFeaturesPerTransaction = 100000;

bool TakesLayerOption(GDALDriver& driver, const char* option) {
  const char* list = driver.GetMetadataItem(GDAL_DS_LAYER_CREATIONOPTIONLIST);
  return list && std::strstr(list, (std::string("name='") + option + "'").c_str());
}

std::vector<std::string> FilesIn(const std::string& directory) {
  std::vector<std::string> names;
  DIR* listing = ::opendir(directory.c_str());
  if (!listing) return names;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(listing);
  return names;
}

int SyncFile(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return errno;
  int error = 0;
  while (::fsync(fd) != 0) {
    if (errno != EINTR) {
      error = errno;
      break;
    }
  }
  ::close(fd);
  return error;
}

constexpr std::string_view kPrivateSuffix = ".layer-XXXXXX";

void RemoveFilesAndDirectory(const std::string& directory) noexcept {
  for (const std::string& name : FilesIn(directory)) ::unlink((directory + "/" + name).c_str());
  ::rmdir(directory.c_str());
}

// What killed writers of `path` left: our directories only, the user's own,
// never one whose writer still holds its lock.
void RemoveLeftoverDirectories(const std::string& path) noexcept {
  // Appended: g++ 12 at -O3 warns falsely (-Wrestrict) on literal + string.
  const std::string start = std::string(".").append(FileNameOf(path)).append(".layer-");
  const std::string parent = DirectoryOf(path);
  for (const std::string& name : FilesIn(parent)) {
    if (!name.starts_with(start) || name.size() != start.size() + 6) continue;
    const std::string leftover = parent + "/" + name;
    struct stat status {};
    if (::lstat(leftover.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) continue;
    const int fd = ::open(leftover.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) RemoveFilesAndDirectory(leftover);
    ::close(fd);
  }
}

}  // namespace

LayerOutput::LayerOutput(const std::string& path, GDALDriver& driver, const char* layerName, OGRLayer* source,
                         const std::vector<AddedField>& added, bool sourceFields)
    : path_(path) {
  if (!directory_.MakeBeside(path)) Fail(std::strerror(errno));
  inside_ = directory_.path() + "/" + FileNameOf(path);
  CPLErrorReset();
  dataset_.reset(driver.Create(inside_.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  if (!dataset_) Fail(GdalReason("GDAL cannot create it"));
  keepIds_ = sourceFields && source && *source->GetFIDColumn() && TakesLayerOption(driver, "FID");
  CreateLayer(layerName, source, added, sourceFields);
  transactions_ = dataset_->StartTransaction() == OGRERR_NONE;
}

bool PrivateDirectory::MakeBeside(const std::string& path) {
  RemoveLeftoverDirectories(path);
  std::string pattern = HiddenSibling(path, std::string(kPrivateSuffix));
  if (!::mkdtemp(pattern.data())) return false;
  path_ = pattern;
  fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  return fd_ >= 0 && ::flock(fd_, LOCK_EX) == 0;
}

void PrivateDirectory::Remove() noexcept {
  if (path_.empty()) return;
  RemoveFilesAndDirectory(path_);
  path_.clear();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void LayerOutput::Fail(const std::string& what) const { throw TreeFileError("cannot write " + path_ + ": " + what); }

void LayerOutput::CreateLayer(const char* layerName, OGRLayer* source, const std::vector<AddedField>& added,
                              bool sourceFields) {
  GDALDriver& driver = *dataset_->GetDriver();
  const OGRFeatureDefn* definition = source ? source->GetLayerDefn() : nullptr;
  const int geometries = definition ? definition->GetGeomFieldCount() : 0;
  CPLStringList options;
  if (keepIds_) options.SetNameValue("FID", source->GetFIDColumn());
  const OGRGeomFieldDefn* first = geometries ? definition->GetGeomFieldDefn(0) : nullptr;
  if (first && *first->GetNameRef() && TakesLayerOption(driver, "GEOMETRY_NAME")) {
    options.SetNameValue("GEOMETRY_NAME", first->GetNameRef());
  }
  // United geometries of many features come as collections.
  geometryType_ = !first ? wkbNone : sourceFields ? first->GetType() : OGR_GT_GetCollection(first->GetType());
  layer_ = dataset_->CreateLayer(layerName, first ? first->GetSpatialRef() : nullptr, geometryType_, options.List());
  if (!layer_) Fail(GdalReason("GDAL cannot create the layer"));
  for (int i = 1; i < geometries; ++i) {
    OGRGeomFieldDefn copy(definition->GetGeomFieldDefn(i));
    if (layer_->CreateGeomField(&copy) != OGRERR_NONE) Fail("the format keeps one geometry per feature");
  }
  const int fields = definition && sourceFields ? definition->GetFieldCount() : 0;
  for (int i = 0; i < fields; ++i) {
    OGRFieldDefn copy(definition->GetFieldDefn(i));
    if (layer_->CreateField(&copy, TRUE) != OGRERR_NONE) Fail(GdalReason("GDAL cannot create a field"));
    sourceMap_.push_back(i);
  }
  firstAdded_ = fields;
  for (const AddedField& field : added) {
    if (fields && definition->GetFieldIndex(field.name.c_str()) >= 0) {
      throw TreeFileError("the layer already has a field named " + field.name +
                          ", which a result would take; rename that field first");
    }
    OGRFieldDefn made(field.name.c_str(), field.type);
    if (layer_->CreateField(&made, TRUE) != OGRERR_NONE) Fail(GdalReason("GDAL cannot create a field"));
  }
  if (layer_->GetLayerDefn()->GetFieldCount() != fields + static_cast<int>(added.size())) {
    Fail("the format did not keep every field");
  }
}

OGRFeatureUniquePtr LayerOutput::NewFeature() const {
  return OGRFeatureUniquePtr(OGRFeature::CreateFeature(layer_->GetLayerDefn()));
}

void LayerOutput::CopySource(const OGRFeature& source, OGRFeature& feature) const {
  if (feature.SetFrom(&source, sourceMap_.data(), TRUE) != OGRERR_NONE) Fail(GdalReason("a feature cannot be copied"));
  if (keepIds_) feature.SetFID(source.GetFID());
}

void LayerOutput::SetGeometry(OGRFeature& feature, const OGRGeometry& geometry) const {
  OGRGeometry* copy = geometry.clone();
  if (geometryType_ != wkbUnknown) copy = OGRGeometryFactory::forceTo(copy, geometryType_);
  feature.SetGeometryDirectly(copy);
}

void LayerOutput::Write(OGRFeature& feature) {
  CPLErrorReset();
  if (layer_->CreateFeature(&feature) != OGRERR_NONE) Fail(GdalReason("GDAL cannot write a feature"));
  if (!transactions_ || ++inTransaction_ < kFeaturesPerTransaction) return;
  if (dataset_->CommitTransaction() != OGRERR_NONE || dataset_->StartTransaction() != OGRERR_NONE) {
    Fail(GdalReason("GDAL cannot commit the features"));
  }
  inTransaction_ = 0;
}

void LayerOutput::Commit() {
  if (transactions_ && dataset_->CommitTransaction() != OGRERR_NONE) Fail(GdalReason("GDAL cannot commit"));
  CPLErrorReset();
  dataset_.reset();  // closing writes what GDAL still holds
  if (CPLGetLastErrorType() >= CE_Failure) Fail(GdalReason("GDAL cannot close it"));
  RenameIntoPlace();
}

// Every file synced before any is renamed; the file the user named last, so
// that a format of several files is whole once that one is in place.
void LayerOutput::RenameIntoPlace() {
  const std::string& directory = directory_.path();
  std::vector<std::string> names = FilesIn(directory);
  const std::string main = FileNameOf(path_);
  std::stable_partition(names.begin(), names.end(), [&](const std::string& name) { return name != main; });
  for (const std::string& name : names) {
    if (const int error = SyncFile(directory + "/" + name, O_RDONLY)) Fail(std::strerror(error));
  }
  const std::string target = DirectoryOf(path_);
  for (const std::string& name : names) {
    if (::rename((directory + "/" + name).c_str(), (target + "/" + name).c_str()) != 0) Fail(std::strerror(errno));
  }
  SyncFile(target, O_RDONLY | O_DIRECTORY);
  directory_.Remove();
}

}  // namespace dravlik
