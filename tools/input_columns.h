// Which column of a CSV header holds each input of a calculation: the one
// the user names with --columns (by its name or, as "#3", its number), else
// the column named as the input or as the tables name that field.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "csv_records.h"
#include "tree_calculation.h"

namespace dravlik {

// Input name ("species", "diameter", ...) to the column given for it.
using ColumnChoices = std::map<std::string, std::string>;

// Adds the pairs of one --columns option. A column's name may hold commas:
// the text is split only before a known input name and '='. Throws
// std::invalid_argument with a message.
void AddColumnChoices(ColumnChoices& choices, std::string_view text, Quantity quantity);

// Species (none when one species is given for the whole file), then the
// numbers, in the order InputNames gives them.
inline constexpr std::size_t kMostInputs = 4;
using InputColumns = std::array<std::optional<std::size_t>, kMostInputs>;

// The column a user names, by its name or as "#3", for a use ("diameter",
// "--group-by"); std::invalid_argument with a message when there is none.
std::size_t FindNamedColumn(const CsvRecord& header, std::string_view name, std::string_view use, char delimiter);

// A column's name as the header writes it, without blanks or a byte order mark.
std::string_view HeaderName(const CsvRecord& header, std::size_t column);

// Throws std::invalid_argument, with a message that says what to change,
// when a column is missing.
InputColumns FindInputColumns(const CsvRecord& header, Quantity quantity, const ColumnChoices& choices,
                              bool speciesGiven, char delimiter);

}  // namespace dravlik
