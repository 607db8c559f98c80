// The text of a double in a numeric field: the shortest one that reads back as
// the identical double (as std::from_chars, strtod and Python's float() read
// it), in plain fixed notation when that fits the width, else in exponent form:
// "1.5e300", or "-123456789012345e-99" where only that fits. Right-aligned in blanks.

#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace dbfe {

// Writes the text, right-aligned in blanks, over all of `field`; false (and
// `field` untouched) when no exact text fits or the value is not finite.
bool WriteNumber(double value, std::span<char> field);

// The same as a string; std::nullopt where WriteNumber gives false.
std::optional<std::string> FormatNumber(double value, std::size_t width);

// The shortest round-trip text of any double, for messages.
std::string ShortestText(double value);

struct ParsedNumber {
  enum class Kind { kValue, kEmpty, kInvalid } kind;
  double value;
};

// Reads a numeric field's text: all blanks, or asterisks alone (dBASE's null),
// is empty; otherwise a decimal number with an optional sign and exponent,
// between optional blanks.
ParsedNumber ParseNumber(std::string_view text);

}  // namespace dbfe
