// Where the database engine is looked for, in order: beside the program's own
// executable, where an installation puts it relative to the program, in the
// directory named by the "DLLPATH" engine setting, and last by the system's
// library search. Never in the working directory, where anyone who can write
// could plant one: relative places are skipped, whatever the settings or the
// environment say.
#pragma once

#include <string>

#include "engine_library.h"

namespace dravlik {

// A library found and opened, not yet initialised.
struct OpenedEngine {
  void* handle;
  std::string path;
};

// Raises EDBEngineError 0x2108 naming every place looked in when the engine is
// nowhere; 0x2109 for a library that does not load, a settings file that cannot
// be read, or a DLLPATH place that others than root and the user can change.
OpenedEngine OpenEngine(const EngineLoadOptions& options);

// Raises EDBEngineError with the status, the start failure's message and,
// on lines of their own, the details.
[[noreturn]] void EngineStartFailed(dbfe_status status, const std::string& details = "");

}  // namespace dravlik
