// Benchmarks write their tables into a scratch directory of their own.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace dravlik::bench {

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pdravlik-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~ScratchDirectory() {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(path_);
  }

 private:
  std::filesystem::path path_, previous_;
};

// Runs ogr2ogr to write `csv` as the dBASE file `dbf`; false if it failed.
inline bool Ogr2ogr(const std::string& csv, const std::string& dbf) {
  const std::string command =
      "ogr2ogr -f 'ESRI Shapefile' -oo AUTODETECT_TYPE=YES -overwrite " + dbf + " " + csv + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

}  // namespace dravlik::bench
