// The errors of the table layer.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace dravlik {

// A check of the table layer failed.
class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The database engine answered an operation with a status other than success.
class EDBEngineError : public EDatabaseError {
 public:
  EDBEngineError(std::uint16_t status, const std::string& message) : EDatabaseError(message), status_(status) {}
  std::uint16_t Status() const { return status_; }

 private:
  std::uint16_t status_;
};

// Raises EDatabaseError with "<component>: <text>", or the text alone for a
// component without a name.
[[noreturn]] void DatabaseError(const std::string& text, const std::string& componentName = "");

}  // namespace dravlik
