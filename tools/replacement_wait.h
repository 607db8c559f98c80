// Opening a table that another program is regenerating. The regeneration
// holds the table exclusively only for moments (to see that nobody has it
// open, and to rename the new table over it); an open that meets such a
// moment fails with "table in use", and is tried again once it is over.
#pragma once

#include <chrono>
#include <string>

#include "database_error.h"
#include "engine_library.h"

namespace dravlik {

inline constexpr std::chrono::seconds kLongestReplacementWait{10};

// Waits until the file at `path` can be locked shared, as a table is opened,
// or `deadline` has passed (false then).
bool WaitUntilShareable(const std::string& path, std::chrono::steady_clock::time_point deadline);

// The result of `open` (which opens the table at `path`), called again while
// it fails with "table in use" for at most `longest` in all; then that
// failure is raised.
template <class Open>
auto OpenWaitingOutReplacement(const std::string& path, Open open,
                               std::chrono::milliseconds longest = kLongestReplacementWait) {
  const auto deadline = std::chrono::steady_clock::now() + longest;
  while (true) {
    try {
      return open();
    } catch (const EDBEngineError& error) {
      if (error.Status() != DBFE_ERR_TABLE_IN_USE || std::chrono::steady_clock::now() >= deadline ||
          !WaitUntilShareable(path, deadline)) {
        throw;
      }
    }
  }
}

}  // namespace dravlik
