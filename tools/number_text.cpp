#include "number_text.h"

#include <charconv>
#include <cmath>

namespace dravlik {

std::optional<double> ParseNumber(std::string_view text, bool decimalComma) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  if (text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  char digits[64];
  if (text.empty() || text.size() > sizeof digits) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == (decimalComma ? '.' : ',')) return std::nullopt;
    digits[i] = c == ',' ? '.' : c;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(digits, digits + text.size(), value);
  if (error != std::errc() || end != digits + text.size() || !std::isfinite(value)) return std::nullopt;
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
