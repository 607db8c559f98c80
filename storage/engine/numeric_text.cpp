#include "numeric_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace dbfe {

namespace {

// Fixed notation of the largest double has 309 digits.
constexpr std::size_t kBufferSize = 400;

std::string ToChars(double value, std::chars_format format) {
  char buffer[kBufferSize];
  const auto result = std::to_chars(buffer, buffer + kBufferSize, value, format);
  if (result.ec != std::errc()) return {};
  return std::string(buffer, result.ptr);
}

// From the shortest scientific text "-d.ddde-xx": the usual form with the
// point after the first digit when it fits, else the shortest placement of the
// point (or none) with the exponent adjusted, as in "-123456789012345e-99".
std::string ExponentForm(double value, std::size_t width) {
  const std::string scientific = ToChars(value, std::chars_format::scientific);
  const std::size_t e = scientific.find('e');
  const bool negative = scientific[0] == '-';
  std::string digits;
  for (std::size_t i = negative ? 1 : 0; i < e; ++i) {
    if (scientific[i] != '.') digits += scientific[i];
  }
  const int exponent = std::atoi(scientific.c_str() + e + 1);

  std::string best;
  for (std::size_t point = 1; point <= digits.size(); ++point) {
    // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) on
    // a literal + std::string here.
    std::string text = negative ? "-" : "";
    text.append(digits, 0, point);
    if (point < digits.size()) {
      text += '.';
      text.append(digits, point);
    }
    text += 'e';
    text += std::to_string(exponent - static_cast<int>(point - 1));
    if (point == 1 && text.size() <= width) return text;
    if (best.empty() || text.size() < best.size()) best = text;
  }
  return best;
}

// The text in `buffer` or, in the rare exponent form, in `spare`.
std::string_view Unaligned(double value, std::size_t width, std::span<char, kBufferSize> buffer,
                           std::string& spare) {
  // "-0" would read back as the integer 0 in readers that try integers first.
  if (value == 0.0) return std::signbit(value) ? "-0.0" : "0";
  const auto fixed = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
  const auto length = static_cast<std::size_t>(fixed.ptr - buffer.data());
  if (fixed.ec == std::errc() && length <= width) return {buffer.data(), length};
  spare = ExponentForm(value, width);
  return spare;
}

bool IsNumberCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

}  // namespace

bool WriteNumber(double value, std::span<char> field) {
  if (!std::isfinite(value)) return false;
  char buffer[kBufferSize];
  std::string spare;
  const std::string_view text = Unaligned(value, field.size(), buffer, spare);
  if (text.size() > field.size()) return false;
  const std::size_t blanks = field.size() - text.size();
  std::fill_n(field.begin(), blanks, ' ');
  std::copy(text.begin(), text.end(), field.begin() + static_cast<std::ptrdiff_t>(blanks));
  return true;
}

std::optional<std::string> FormatNumber(double value, std::size_t width) {
  std::string text(width, ' ');
  if (!WriteNumber(value, text)) return std::nullopt;
  return text;
}

std::string ShortestText(double value) { return ToChars(value, std::chars_format::general); }

ParsedNumber ParseNumber(std::string_view text) {
  const auto is_blank = [](char c) { return c == ' ' || c == '\0'; };
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return {ParsedNumber::Kind::kEmpty, 0.0};
  // Asterisks alone are dBASE's null, as GDAL (and so QGIS) writes it and
  // GDAL and dbfread read it back.
  if (text.find_first_not_of('*') == std::string_view::npos) return {ParsedNumber::Kind::kEmpty, 0.0};

  // from_chars also reads "inf" and "nan", which no numeric field may hold.
  for (const char c : text) {
    if (!IsNumberCharacter(c)) return {ParsedNumber::Kind::kInvalid, 0.0};
  }
  if (text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return {ParsedNumber::Kind::kInvalid, 0.0};
  }
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    return {ParsedNumber::Kind::kInvalid, 0.0};
  }
  return {ParsedNumber::Kind::kValue, value};
}

}  // namespace dbfe
