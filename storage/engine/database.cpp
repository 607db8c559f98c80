#include "database.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "engine_api.h"
#include "error_context.h"

namespace dbfe {

namespace {

std::string WorkingDirectory() {
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      throw EngineError(DBFE_ERR_DIRECTORY_NOT_FOUND).Detail("Working directory").Os(errno);
    }
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::string Joined(const std::string& directory, const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  if (!directory.empty() && directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

}  // namespace

void Database::SetDirectory(const char* directory) {
  if (directory == nullptr || directory[0] == '\0') {
    directory_.clear();
    return;
  }
  const std::string absolute = Joined(WorkingDirectory(), directory);
  struct stat info {};
  if (::stat(absolute.c_str(), &info) != 0) {
    throw EngineError(DBFE_ERR_DIRECTORY_NOT_FOUND).Detail("Directory: " + absolute).Os(errno);
  }
  if (!S_ISDIR(info.st_mode)) {
    throw EngineError(DBFE_ERR_DIRECTORY_NOT_FOUND).Detail("Directory: " + absolute).Os(ENOTDIR);
  }
  directory_ = absolute;
}

std::string Database::PathOf(const char* table_name) const {
  const std::size_t length = table_name == nullptr ? 0 : strnlen(table_name, DBFE_MAX_PATH + 1);
  if (length == 0 || length > DBFE_MAX_PATH) {
    throw EngineError(DBFE_ERR_INVALID_PARAMETER)
        .Detail(length == 0 ? "The table name is empty." : "The table name is too long.");
  }
  return Joined(directory_.empty() ? WorkingDirectory() : directory_, std::string(table_name, length));
}

}  // namespace dbfe
