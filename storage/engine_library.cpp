#include "engine_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "database_error.h"
#include "settings.h"

namespace dravlik {
namespace {

std::mutex& ResolutionLock() {
  static std::mutex lock;
  return lock;
}

std::string Hex4(dbfe_status status) {
  char text[8];
  std::snprintf(text, sizeof text, "%.4x", status);
  return text;
}

[[noreturn]] void StartFailed(dbfe_status status) { throw EDBEngineError(status, EngineStartErrorMessage(status)); }

std::optional<std::filesystem::path> ExecutableDirectory() {
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::nullopt;
  return executable.parent_path();
}

// The places to look, in order: full paths, then the bare name for the
// system's search.
std::vector<std::string> Candidates(const EngineLoadOptions& options) {
  std::vector<std::string> candidates;
  if (const auto directory = ExecutableDirectory()) {
    candidates.push_back(*directory / options.libraryName);
    // Where an installation puts the engine, relative to the program; the
    // system's search would find it through the program's RUNPATH too, but not
    // where an interposed dlopen (a sanitizer's) hides the caller.
    candidates.push_back(*directory / PDRAVLIK_ENGINE_FROM_PROGRAM / options.libraryName);
  }
  const std::string settings = options.settingsPath.empty() ? EngineSettingsPath() : options.settingsPath;
  // A relative directory would be the working directory's again.
  if (const auto directory = ReadSetting(settings, "DLLPATH"); directory && !directory->empty()) {
    if (std::filesystem::path(*directory).is_absolute()) candidates.push_back(std::filesystem::path(*directory) / options.libraryName);
  }
  candidates.push_back(options.libraryName);
  return candidates;
}

bool IsBareName(const std::string& name) { return name.find('/') == std::string::npos; }

// dlopen says why it failed only in words, in the user's language; the system's
// reason is its last part, in the same language as strerror's.
dbfe_status LoadFailure(const char* reason) {
  const std::string_view text = reason ? reason : "";
  if (text.find(std::strerror(ENOENT)) != std::string_view::npos) return DBFE_ERR_LIBRARY_NOT_FOUND;
  if (text.find(std::strerror(ENOMEM)) != std::string_view::npos) return DBFE_ERR_NO_MEMORY;
  return DBFE_ERR_LOAD_FAILED;
}

// A handle, or nothing where there is no such library; a library that exists
// but does not load is a failure of its own.
void* Open(const std::string& candidate) {
  if (!IsBareName(candidate) && access(candidate.c_str(), F_OK) != 0) return nullptr;
  void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle) return handle;
  const dbfe_status status = LoadFailure(dlerror());
  if (status == DBFE_ERR_LIBRARY_NOT_FOUND && IsBareName(candidate)) return nullptr;
  StartFailed(status);
}

std::string Trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

// An engine that never ends its error context must not hang the program.
constexpr std::uint16_t kMaxContextEntries = 64;

}  // namespace

std::string EngineStartErrorMessage(dbfe_status status) {
  return "An error occurred while attempting to initialize the database engine (error $" + Hex4(status) + ")";
}

std::unique_ptr<EngineLibrary> EngineLibrary::Load(const EngineLoadOptions& options) {
  try {
    for (const std::string& candidate : Candidates(options)) {
      void* handle = Open(candidate);
      if (!handle) continue;
      auto init = reinterpret_cast<decltype(&dbfe_init)>(dlsym(handle, "dbfe_init"));
      if (!init) {
        dlclose(handle);
        StartFailed(DBFE_ERR_NO_ENTRY_POINT);
      }
      const dbfe_environment environment{"0009"};
      const dbfe_status status = init(DBFE_INTERFACE_VERSION, &environment);
      if (status != DBFE_OK && status != DBFE_WARN_ALREADY_INITIALISED) {
        dlclose(handle);
        StartFailed(status);
      }
      return std::unique_ptr<EngineLibrary>(new EngineLibrary(handle, candidate));
    }
  } catch (const std::bad_alloc&) {
    StartFailed(DBFE_ERR_NO_MEMORY);
  }
  StartFailed(DBFE_ERR_LIBRARY_NOT_FOUND);
}

EngineLibrary::~EngineLibrary() {
  if (auto exit = reinterpret_cast<decltype(&dbfe_exit)>(dlsym(handle_, "dbfe_exit"))) exit();
  dlclose(handle_);
}

void* EngineLibrary::Symbol(const char* name) {
  const std::lock_guard guard(ResolutionLock());
  void* symbol = dlsym(handle_, name);
  if (!symbol) {
    std::string message = ErrorMessage(DBFE_ERR_LOAD_FAILED, false);
    message += "\nThe engine library " + path_ + " has no entry point " + name + ".";
    throw EDBEngineError(DBFE_ERR_LOAD_FAILED, message);
  }
  return symbol;
}

std::string EngineLibrary::ErrorMessage(dbfe_status status) { return ErrorMessage(status, true); }

std::string EngineLibrary::ErrorMessage(dbfe_status status, bool withContext) {
  // Looked up directly: a message must come out even of an engine without them.
  auto getStatusText = reinterpret_cast<decltype(&dbfe_get_status_text)>(dlsym(handle_, "dbfe_get_status_text"));
  auto getErrorEntry = reinterpret_cast<decltype(&dbfe_get_error_entry)>(dlsym(handle_, "dbfe_get_error_entry"));
  std::vector<std::string> lines;
  std::set<std::string> seen;
  const auto add = [&](const std::string& line) {
    std::string trimmed = Trimmed(line);
    if (!trimmed.empty() && seen.insert(trimmed).second) lines.push_back(std::move(trimmed));
  };
  char text[DBFE_MAX_MESSAGE + 1];
  const auto addStatusText = [&](dbfe_status s) {
    if (!getStatusText || s == DBFE_ERR_DRIVER) return;
    text[0] = 0;
    if (getStatusText(s, text, sizeof text) == DBFE_OK) add(std::string(text, strnlen(text, sizeof text)));
  };
  addStatusText(status);
  for (std::uint16_t entry = 1; withContext && getErrorEntry && entry <= kMaxContextEntries; ++entry) {
    std::int32_t nativeCode = 0;
    text[0] = 0;
    const dbfe_status entryStatus = getErrorEntry(entry, &nativeCode, text, sizeof text);
    if (entryStatus == DBFE_OK || entryStatus == DBFE_ERR_NO_ENTRY_POINT) break;
    const std::string entryText(text, strnlen(text, sizeof text));
    if (nativeCode == 0) addStatusText(entryStatus);
    add(entryText);
  }
  if (lines.empty()) return "Database engine error $" + Hex4(status);
  std::string message = lines.front();
  for (std::size_t i = 1; i < lines.size(); ++i) message += "\n" + lines[i];
  return message;
}

void EngineLibrary::Check(dbfe_status status) {
  if (status != DBFE_OK) throw EDBEngineError(status, ErrorMessage(status));
}

}  // namespace dravlik
