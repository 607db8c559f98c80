// Failures inside the engine travel as EngineError up to the entry point,
// which keeps their context for the calling thread and returns the status.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "engine_api.h"

namespace dbfe {

struct ContextEntry {
  dbfe_status status;
  std::int32_t native_code;  // errno, or 0
  std::string text;
};

class EngineError : public std::exception {
 public:
  explicit EngineError(dbfe_status status);

  // Adds "Table: <path>" in front of the other entries, unless it is there.
  EngineError& Table(std::string_view path);
  EngineError& Field(std::string_view name);
  EngineError& Detail(std::string text);
  // The operating system's reason, with errno as the native code.
  EngineError& Os(int error_number);

  dbfe_status status() const { return status_; }
  const std::vector<ContextEntry>& entries() const { return entries_; }
  const char* what() const noexcept override { return what_; }

 private:
  dbfe_status status_;
  std::vector<ContextEntry> entries_;
  char what_[32];
};

std::string OsReason(int error_number);

// The calling thread's last failure. Never throws: a context that cannot be
// kept for lack of memory is kept without entries.
void RememberFailure(dbfe_status status, const std::vector<ContextEntry>& entries) noexcept;
// Entry 1, 2, ... of the last failure, or nullptr.
const ContextEntry* FailureEntry(std::uint16_t number) noexcept;

}  // namespace dbfe
