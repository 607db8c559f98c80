// Numbers as people type them and the tools read and write them: the shortest
// text that reads back as the same double (as the tables' CSV files have them),
// with a decimal point or, for spreadsheets that want one, a decimal comma.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dravlik {

// A finite decimal number, blanks around it and a leading '+' ignored. Only
// the given separator is a decimal one: "1.5" is no number where it is ','.
// Nothing otherwise.
std::optional<double> ParseNumber(std::string_view text, char decimalSeparator);
inline std::optional<double> ParseNumber(std::string_view text, bool decimalComma) {
  return ParseNumber(text, decimalComma ? ',' : '.');
}

void AppendNumber(std::string& out, double value, bool decimalComma);

}  // namespace dravlik
