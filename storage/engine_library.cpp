#include "engine_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <vector>

#include "blanks.h"
#include "database_error.h"
#include "engine_search.h"

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

// Calls the initialisation entry point; on failure the library is unloaded.
void Initialise(const OpenedEngine& opened) {
  auto init = reinterpret_cast<decltype(&dbfe_init)>(dlsym(opened.handle, "dbfe_init"));
  if (!init) {
    dlclose(opened.handle);
    EngineStartFailed(DBFE_ERR_NO_ENTRY_POINT,
                      "The engine library " + opened.path + " has no initialisation entry point dbfe_init.");
  }
  const dbfe_environment environment{"0009"};
  const dbfe_status status = init(DBFE_INTERFACE_VERSION, &environment);
  if (status != DBFE_OK && status != DBFE_WARN_ALREADY_INITIALISED) {
    dlclose(opened.handle);
    EngineStartFailed(status);
  }
}

// An engine that never ends its error context must not hang the program.
constexpr std::uint16_t kMaxContextEntries = 64;

}  // namespace

std::string EngineStartErrorMessage(dbfe_status status) {
  return "An error occurred while attempting to initialize the database engine (error $" + Hex4(status) + ")";
}

void EngineStartFailed(dbfe_status status, const std::string& details) {
  // The first line is what users and other programs know the failure by.
  std::string message = EngineStartErrorMessage(status);
  if (!details.empty()) message += "\n" + details;
  throw EDBEngineError(status, message);
}

std::unique_ptr<EngineLibrary> EngineLibrary::Load(const EngineLoadOptions& options) {
  try {
    const OpenedEngine opened = OpenEngine(options);
    Initialise(opened);
    return std::unique_ptr<EngineLibrary>(new EngineLibrary(opened.handle, opened.path));
  } catch (const std::bad_alloc&) {
    EngineStartFailed(DBFE_ERR_NO_MEMORY);
  }
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
    std::string trimmed(WithoutBlanks(line, " \t\r\n"));
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
