// Blanks around a text, which spreadsheets, people and fixed-width fields leave
// there.
#pragma once

#include <string_view>

namespace dravlik {

// Without the blanks (by default spaces and tabs) at either end. Plain loops:
// this runs on every field of large files.
inline std::string_view WithoutBlanks(std::string_view text, std::string_view blanks = " \t") {
  const auto blank = [blanks](char c) {
    for (const char b : blanks) {
      if (c == b) return true;
    }
    return false;
  };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// A character field's text without the spaces that pad it to its width.
inline std::string_view WithoutPadding(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace dravlik
