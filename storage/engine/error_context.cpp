#include "error_context.h"

#include <cstdio>
#include <cstring>

namespace dbfe {

EngineError::EngineError(dbfe_status status) : status_(status) {
  std::snprintf(what_, sizeof what_, "engine status $%.4x", static_cast<unsigned>(status));
}

EngineError& EngineError::Table(std::string_view path) {
  if (!entries_.empty() && entries_.front().text.rfind("Table: ", 0) == 0) return *this;
  entries_.insert(entries_.begin(), ContextEntry{status_, 0, "Table: " + std::string(path)});
  return *this;
}

EngineError& EngineError::Field(std::string_view name) {
  return Detail("Field: " + std::string(name));
}

EngineError& EngineError::Detail(std::string text) {
  entries_.push_back(ContextEntry{status_, 0, std::move(text)});
  return *this;
}

EngineError& EngineError::Os(int error_number) {
  entries_.push_back(ContextEntry{status_, error_number, OsReason(error_number)});
  return *this;
}

std::string OsReason(int error_number) {
  char buffer[256];
  // The GNU strerror_r, which may return a static text instead of filling the buffer.
  return strerror_r(error_number, buffer, sizeof buffer);
}

namespace {

struct Failure {
  dbfe_status status = DBFE_OK;
  std::vector<ContextEntry> entries;
};

thread_local Failure last_failure;

}  // namespace

void RememberFailure(dbfe_status status, const std::vector<ContextEntry>& entries) noexcept {
  last_failure.status = status;
  try {
    last_failure.entries = entries;
  } catch (...) {
    last_failure.entries.clear();
  }
}

const ContextEntry* FailureEntry(std::uint16_t number) noexcept {
  if (number == 0 || number > last_failure.entries.size()) return nullptr;
  return &last_failure.entries[number - 1];
}

}  // namespace dbfe
