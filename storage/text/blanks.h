// Blanks around a text, which spreadsheets, people and fixed-width fields leave
// there.
#pragma once

#include <string_view>

namespace dravlik {

// Without the spaces and tabs at either end. A plain loop: this runs on every
// field of large files.
inline std::string_view WithoutBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// Without the characters of `blanks` at either end, for lines of files that
// may also end in a carriage return or a line feed.
inline std::string_view WithoutBlanks(std::string_view text, std::string_view blanks) {
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// A character field's text without the spaces that pad it to its width.
inline std::string_view WithoutPadding(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace dravlik
