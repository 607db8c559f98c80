// Blanks around a field's text, which spreadsheets and people leave there.
#pragma once

#include <string_view>

namespace dravlik {

// Without the spaces and tabs at either end; a plain loop, since the
// standard's find_first_not_of searches the set once per character.
inline std::string_view WithoutBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace dravlik
