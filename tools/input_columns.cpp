#include "input_columns.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "blanks.h"
#include "letter_case.h"
#include "text_encoding.h"

namespace dravlik {
namespace {

// The inputs as the tables' own files name them (bon_Hm1, TloVysHm), so
// that their CSV copies compute as they are.
constexpr std::pair<std::string_view, std::string_view> kTableFieldNames[] = {
    {"species", "drevina"}, {"diameter", "tloustka"}, {"height", "vyska"}, {"age", "vek"}, {"site_index", "bonita"},
};

constexpr std::string_view kEveryInput[] = {"species", "diameter", "height", "age", "site_index", "trees_per_ha"};

// The known input name followed by '=' that `text` starts with, if any.
std::optional<std::string_view> InputAtStart(std::string_view text) {
  for (std::string_view input : kEveryInput) {
    if (text.size() <= input.size() || text[input.size()] != '=') continue;
    if (SameTextIgnoringCaseInAnyLocale(text.substr(0, input.size()), input)) return input;
  }
  return std::nullopt;
}

}  // namespace

std::string_view HeaderName(const CsvRecord& header, std::size_t column) {
  std::string_view name = WithoutBlanks(header.fields[column]);
  if (column == 0 && name.starts_with(kUtf8ByteOrderMark)) {
    name = WithoutBlanks(name.substr(kUtf8ByteOrderMark.size()));
  }
  return name;
}

namespace {

std::optional<std::size_t> ColumnNamed(const CsvRecord& header, std::string_view name) {
  for (std::size_t column = 0; column < header.fields.size(); ++column) {
    if (SameTextIgnoringCaseInAnyLocale(HeaderName(header, column), name)) return column;
  }
  return std::nullopt;
}

// Empty for an input the tables do not store.
std::string_view TableFieldName(std::string_view input) {
  const auto names = std::find_if(std::begin(kTableFieldNames), std::end(kTableFieldNames),
                                  [&](const auto& names) { return names.first == input; });
  return names == std::end(kTableFieldNames) ? std::string_view() : names->second;
}

// The column named as the input, else as the tables name it.
std::optional<std::size_t> ColumnByDefaultName(const CsvRecord& header, std::string_view input) {
  if (const auto column = ColumnNamed(header, input)) return column;
  if (TableFieldName(input).empty()) return std::nullopt;
  return ColumnNamed(header, TableFieldName(input));
}

std::size_t ColumnNumbered(const CsvRecord& header, std::string_view number) {
  std::size_t value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size() || value == 0) {
    throw std::invalid_argument("'#" + std::string(number) + "' is no column number (the first column is #1)");
  }
  if (value > header.fields.size()) {
    throw std::invalid_argument("column #" + std::string(number) + " is past the header's " +
                                std::to_string(header.fields.size()) + " columns");
  }
  return value - 1;
}

// What the user may have got wrong when a column is not found.
std::string MissingColumnHint(const CsvRecord& header, char delimiter) {
  if (!IsUtf8Text(header.text)) {
    return "; the header is not UTF-8: for a file from Czech Excel, try --encoding windows-1250";
  }
  if (header.fields.size() != 1) return "";
  for (const char candidate : {';', '\t', ',', '|'}) {
    if (candidate == delimiter || header.text.find(candidate) == std::string_view::npos) continue;
    const std::string option = candidate == '\t' ? "-d tab" : std::string("-d '") + candidate + "'";
    return "; its header reads as one column, \"" + std::string(header.text) + "\": try " + option;
  }
  return "";
}

}  // namespace

std::size_t FindNamedColumn(const CsvRecord& header, std::string_view name, std::string_view use, char delimiter) {
  if (name.starts_with('#')) return ColumnNumbered(header, name.substr(1));
  if (const auto column = ColumnNamed(header, name)) return *column;
  throw std::invalid_argument("the input has no column \"" + std::string(name) + "\" (" + std::string(use) + ")" +
                              MissingColumnHint(header, delimiter));
}

namespace {

std::size_t FindColumn(const CsvRecord& header, std::string_view input, const ColumnChoices& choices,
                       char delimiter) {
  const auto chosen = choices.find(std::string(input));
  if (chosen != choices.end()) return FindNamedColumn(header, chosen->second, input, delimiter);
  if (const auto column = ColumnByDefaultName(header, input)) return *column;
  const std::string_view tableName = TableFieldName(input);
  throw std::invalid_argument("the input has no column \"" + std::string(input) + "\"" +
                              (tableName.empty() ? "" : " (nor \"" + std::string(tableName) + "\")") +
                              "; name it with --columns " + std::string(input) + "=NAME" +
                              MissingColumnHint(header, delimiter));
}

}  // namespace

void AddColumnChoices(ColumnChoices& choices, std::string_view text, Quantity quantity) {
  const auto inputs = InputNames(quantity);
  while (!text.empty()) {
    const auto input = InputAtStart(text);
    if (!input) {
      throw std::invalid_argument("--columns takes INPUT=COLUMN pairs, INPUT one of " + ListedNames(InputNames(quantity)) +
                                  ", not '" + std::string(text) + "'");
    }
    if (std::find(inputs.begin(), inputs.end(), *input) == inputs.end()) {
      throw std::invalid_argument("'" + std::string(*input) + "' is not an input of this command; it takes " +
                                  ListedNames(InputNames(quantity)));
    }
    text.remove_prefix(input->size() + 1);
    std::size_t end = 0;
    while ((end = text.find(',', end)) != std::string_view::npos && !InputAtStart(text.substr(end + 1))) ++end;
    const std::string_view column = text.substr(0, end);
    if (WithoutBlanks(column).empty()) throw std::invalid_argument("--columns names no column for " + std::string(*input));
    choices[std::string(*input)] = std::string(WithoutBlanks(column));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
}

InputColumns FindInputColumns(const CsvRecord& header, Quantity quantity, const ColumnChoices& choices,
                              bool speciesGiven, char delimiter) {
  const auto inputs = InputNames(quantity);
  InputColumns columns;
  // A species column of the file's own would quietly lose to --species.
  if (const auto column = speciesGiven ? ColumnByDefaultName(header, inputs[0]) : std::nullopt) {
    throw std::invalid_argument("the input has a species column, \"" + std::string(HeaderName(header, *column)) +
                                "\"; --species is for files without one (--species-map computes some species as "
                                "others)");
  }
  for (std::size_t input = speciesGiven ? 1 : 0; input < inputs.size(); ++input) {
    columns[input] = FindColumn(header, inputs[input], choices, delimiter);
  }
  return columns;
}

}  // namespace dravlik
