#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "blanks.h"

namespace dravlik {

namespace {

// Plain decimals of up to 15 digits ("48.6", "-7", "1234.125"), the common
// case: the digits and the power of ten are exact doubles, so their one
// division is correctly rounded, the value from_chars gives. Anything else,
// nothing.
std::optional<double> PlainDecimal(std::string_view text, char point) {
  constexpr double kPowersOfTen[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  std::uint64_t digits = 0;
  int count = 0, fraction = -1;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
      if (++count > 15) return std::nullopt;
      if (fraction >= 0) ++fraction;
    } else if (c == point && fraction < 0) {
      fraction = 0;
    } else {
      return std::nullopt;
    }
  }
  if (count == 0) return std::nullopt;
  const double value = static_cast<double>(digits) / kPowersOfTen[std::max(fraction, 0)];
  return negative ? -value : value;
}

// from_chars on a text whose decimal separator is another character: a copy
// with a point, on the stack unless the number is longer than any number needs
// to be.
std::from_chars_result FromCharsWithSeparator(std::string_view text, char separator, double& value) {
  char onStack[64];
  std::string onHeap;
  char* digits = onStack;
  if (text.size() > sizeof onStack) {
    onHeap.resize(text.size());
    digits = onHeap.data();
  }
  std::replace_copy(text.begin(), text.end(), digits, separator, '.');
  std::from_chars_result parsed = std::from_chars(digits, digits + text.size(), value);
  parsed.ptr = text.data() + (parsed.ptr - digits);
  return parsed;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text, char decimalSeparator) {
  text = WithoutBlanks(text);
  if (text.empty()) return std::nullopt;
  if (text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (const auto plain = PlainDecimal(text, decimalSeparator)) return plain;
  double value = 0;
  std::from_chars_result parsed{};
  if (decimalSeparator != '.') {
    if (text.find('.') != std::string_view::npos) return std::nullopt;
    parsed = FromCharsWithSeparator(text, decimalSeparator, value);
  } else {
    parsed = std::from_chars(text.data(), text.data() + text.size(), value);
  }
  // A comma, when not the decimal separator, stops the number short.
  if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

void AppendNumber(std::string& out, double value, bool decimalComma) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  const std::size_t start = out.size();
  out.append(digits, end);
  if (!decimalComma) return;
  for (std::size_t i = start; i < out.size(); ++i) {
    if (out[i] == '.') out[i] = ',';
  }
}

}  // namespace dravlik
