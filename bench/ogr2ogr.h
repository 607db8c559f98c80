// GDAL's ogr2ogr, writing from CSV the dBASE tables the benchmarks compare with.
#pragma once

#include <cstdlib>
#include <string>

namespace dravlik::bench {

// Runs ogr2ogr to write `csv` as the dBASE file `dbf`; false if it failed.
inline bool Ogr2ogr(const std::string& csv, const std::string& dbf) {
  const std::string command =
      "ogr2ogr -f 'ESRI Shapefile' -oo AUTODETECT_TYPE=YES -overwrite " + dbf + " " + csv + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

}  // namespace dravlik::bench
