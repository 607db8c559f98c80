#include "engine_search.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "library_search_path.h"
#include "settings.h"
#include "trusted_path.h"

namespace dravlik {
namespace {

namespace fs = std::filesystem;

std::string Joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string joined;
  for (const std::string& part : parts) joined += (joined.empty() ? "" : separator) + part;
  return joined;
}

std::optional<fs::path> ExecutableDirectory() {
  std::error_code error;
  const auto executable = fs::read_symlink("/proc/self/exe", error);
  if (error) return std::nullopt;
  return executable.parent_path();
}

// The places looked at in vain, one line each, for the message when the
// engine is found nowhere.
using Trail = std::vector<std::string>;

// dlopen says why it failed only in words, in the user's language; the system's
// reason is its last part, in the same language as strerror's.
dbfe_status LoadFailure(const std::string& reason) {
  if (reason.find(std::strerror(ENOENT)) != std::string::npos) return DBFE_ERR_LIBRARY_NOT_FOUND;
  if (reason.find(std::strerror(ENOMEM)) != std::string::npos) return DBFE_ERR_NO_MEMORY;
  return DBFE_ERR_LOAD_FAILED;
}

std::string LastDlError() {
  const char* reason = dlerror();
  return reason ? reason : "unknown failure";
}

[[noreturn]] void LoadFailed(const std::string& library, const std::string& reason) {
  EngineStartFailed(LoadFailure(reason), "The engine library " + library + " could not be loaded: " + reason);
}

// The library at an absolute path, or nothing where there is no such file; a
// library that exists but does not load is a failure of its own.
std::optional<OpenedEngine> OpenFile(const fs::path& path) {
  if (access(path.c_str(), F_OK) != 0) return std::nullopt;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) LoadFailed(path, LastDlError());
  return OpenedEngine{handle, path};
}

std::optional<OpenedEngine> OpenFile(const fs::path& path, Trail& trail, const std::string& place = "") {
  std::optional<OpenedEngine> opened = OpenFile(path);
  if (!opened) trail.push_back("Not found: " + path.string() + place);
  return opened;
}

std::optional<OpenedEngine> BesideTheProgram(const EngineLoadOptions& options, Trail& trail) {
  const auto directory = ExecutableDirectory();
  if (!directory) {
    trail.push_back("Not searched: the program's own directory, which /proc/self/exe does not show");
    return std::nullopt;
  }
  if (auto opened = OpenFile(*directory / options.libraryName, trail)) return opened;
  // Where an installation puts the engine, relative to the program; the
  // system's search would find it through the program's RUNPATH too, but not
  // where an interposed dlopen (a sanitizer's) hides the caller.
  return OpenFile(*directory / PDRAVLIK_ENGINE_FROM_PROGRAM / options.libraryName, trail);
}

// A place that anyone but root and the user can change is refused, not
// skipped: the settings name it, so the user has to hear why it is not used.
fs::path TrustedCanonical(const fs::path& path, const std::string& what, const std::string& place) {
  std::error_code error;
  fs::path canonical = fs::canonical(path, error);
  if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) return {};
  if (error) {
    EngineStartFailed(DBFE_ERR_LOAD_FAILED,
                      "The engine " + what + " " + path.string() + place + " cannot be examined: " + error.message());
  }
  if (auto why = WhyUntrusted(canonical)) {
    EngineStartFailed(DBFE_ERR_LOAD_FAILED,
                      "Refused the engine " + what + " " + path.string() + place + ": " + *why + ".");
  }
  return canonical;
}

std::optional<OpenedEngine> ThroughTheSettings(const EngineLoadOptions& options, Trail& trail) {
  std::string settings;
  std::optional<std::string> directory;
  try {
    settings = options.settingsPath.empty() ? EngineSettingsPath() : options.settingsPath;
    directory = ReadSetting(settings, "DLLPATH");
  } catch (const SettingsError& error) {
    EngineStartFailed(DBFE_ERR_LOAD_FAILED, error.what());
  }
  if (!directory || directory->empty()) {
    const bool exists = access(settings.c_str(), F_OK) == 0;
    trail.push_back(exists ? "Not searched: no DLLPATH in the engine settings " + settings
                           : "Not searched: no DLLPATH, as there is no engine settings file " + settings);
    return std::nullopt;
  }
  const std::string place = " (DLLPATH in " + settings + ")";
  // A relative directory would be the working directory's again.
  if (!fs::path(*directory).is_absolute()) {
    trail.push_back("Not searched: " + *directory + place + ", not an absolute directory");
    return std::nullopt;
  }
  const fs::path library = fs::path(*directory) / options.libraryName;
  // Loaded by its canonical path, so that what was judged is what is loaded.
  fs::path trusted;
  if (!TrustedCanonical(*directory, "directory", place).empty()) trusted = TrustedCanonical(library, "library", place);
  if (trusted.empty()) {
    trail.push_back("Not found: " + library.string() + place);
    return std::nullopt;
  }
  return OpenFile(trusted, trail, place);
}

std::string LoadedPath(void* handle, const std::string& name) {
  link_map* map = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name || !*map->l_name) return name;
  return map->l_name;
}

// The system's own search, which also asks the loader's cache; only when none
// of its directories is the working directory's.
std::optional<OpenedEngine> ByBareName(const std::string& name, const LibrarySearchPath& search, Trail& trail) {
  if (void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL)) return OpenedEngine{handle, LoadedPath(handle, name)};
  const std::string reason = LastDlError();
  if (LoadFailure(reason) != DBFE_ERR_LIBRARY_NOT_FOUND) LoadFailed(name, reason);
  trail.push_back("Not found by the system's library search: " + name + " in " + Joined(search.directories, ", ") +
                  " or the loader's cache");
  return std::nullopt;
}

// The search's absolute directories one by one, when it has relative ones.
std::optional<OpenedEngine> InDirectories(const std::string& name, const LibrarySearchPath& search, Trail& trail) {
  for (const std::string& entry : search.relative) {
    trail.push_back("Not searched: \"" + entry + "\" in the library search path, not an absolute directory");
  }
  for (const std::string& directory : search.directories) {
    if (auto opened = OpenFile(fs::path(directory) / name)) return opened;
  }
  trail.push_back("Not found by the system's library search: " + name + " in " + Joined(search.directories, ", ") +
                  " (the loader's cache not asked, as the search path holds a relative directory)");
  return std::nullopt;
}

std::optional<OpenedEngine> BySystemSearch(const EngineLoadOptions& options, Trail& trail) {
  const LibrarySearchPath search = ProgramLibrarySearchPath();
  if (!search.failure.empty()) {
    trail.push_back("Not searched: the system's library search, whose directories are unknown: " + search.failure);
    return std::nullopt;
  }
  if (search.relative.empty()) return ByBareName(options.libraryName, search, trail);
  return InDirectories(options.libraryName, search, trail);
}

}  // namespace

OpenedEngine OpenEngine(const EngineLoadOptions& options) {
  Trail trail;
  std::optional<OpenedEngine> opened = BesideTheProgram(options, trail);
  if (!opened) opened = ThroughTheSettings(options, trail);
  if (!opened) opened = BySystemSearch(options, trail);
  if (!opened) EngineStartFailed(DBFE_ERR_LIBRARY_NOT_FOUND, Joined(trail, "\n"));
  return *opened;
}

}  // namespace dravlik
