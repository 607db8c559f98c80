// Numbers as the calculator reads and writes them: the shortest text that
// reads back as the same double (as the tables' CSV files have them), with a
// decimal point or, for spreadsheets that want one, a decimal comma.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dravlik {

// A finite decimal number, blanks around it ignored; with a decimal comma a
// point is not accepted, and without one a comma is not. Nothing otherwise.
std::optional<double> ParseNumber(std::string_view text, bool decimalComma);

void AppendNumber(std::string& out, double value, bool decimalComma);

}  // namespace dravlik
