// Test support for the engine loader's tests: each test runs in a fresh
// working directory of its own, with its own engine settings file there.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "database_error.h"
#include "engine_library.h"
#include "text_lines.h"
#include "working_directory_for_tests.h"

namespace dravlik::testing {

inline const std::string kCannotStart = "An error occurred while attempting to initialize the database engine";

inline std::string FirstLine(const std::string& message) { return message.substr(0, message.find('\n')); }

inline bool HasLine(const std::string& message, const std::string& line) {
  const auto lines = Lines(message);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class EngineLibraryTest : public InFreshDirectory {
 protected:
  // Loads the engine as `libraryName`, with DLLPATH naming `dllPath` (none when empty).
  std::unique_ptr<EngineLibrary> Load(const std::string& libraryName, const std::string& dllPath = "") {
    std::ofstream(SettingsFile()) << "# engine settings\nDLLPATH = " << dllPath << "\n";
    return EngineLibrary::Load({libraryName, SettingsFile()});
  }
  std::string SettingsFile() const { return (Directory() / "engine.conf").string(); }

  static std::filesystem::path BuiltEngine() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libdbfengine.so";
  }

  template <class Operation>
  static std::pair<std::uint16_t, std::string> FailureOf(Operation operation) {
    try {
      operation();
    } catch (const EDBEngineError& e) {
      return {e.Status(), e.what()};
    }
    return {0, ""};
  }
};

}  // namespace dravlik::testing
