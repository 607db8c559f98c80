// The standard database of local files: a directory in which table names are
// file names. An empty directory is the process's working directory at the
// time of each call.
#pragma once

#include <string>

namespace dbfe {

class Database {
 public:
  // Throws DBFE_ERR_DIRECTORY_NOT_FOUND unless `directory` is empty or a directory.
  void SetDirectory(const char* directory);
  // The absolute path of a table; throws DBFE_ERR_INVALID_PARAMETER for an
  // empty name or one longer than DBFE_MAX_PATH.
  std::string PathOf(const char* table_name) const;

 private:
  std::string directory_;
};

}  // namespace dbfe
