#include "tree_rows.h"

#include <algorithm>
#include <optional>

#include "blanks.h"
#include "delimited_fields.h"
#include "domain_warnings.h"
#include "number_text.h"
#include "numeric.h"

namespace dravlik {
namespace {

struct RowInputs {
  vzorce::SpeciesIndex species = 0;
  double numbers[2] = {0, 0};
  std::string note;  // how the species was read, where the user's map gave it
};

std::string NotANumber(std::string_view input, std::string_view value, bool decimalComma) {
  std::string message = "Not a number in " + std::string(input) + ": " + std::string(value);
  if (!decimalComma && ParseNumber(value, true)) message += " (a decimal comma? add --decimal-comma)";
  if (decimalComma && ParseNumber(value, false)) message += " (with --decimal-comma, numbers take a comma)";
  return message;
}

// The row's inputs, or the message that says why it has none.
std::optional<std::string> ReadInputs(const CsvRecord& row, const RowJob& job, RowInputs& inputs) {
  const auto names = InputNames(job.calculation.quantity);
  std::string_view values[3];
  for (std::size_t input = 0; input < 3; ++input) {
    const auto column = job.columns[input];
    if (!column) continue;
    values[input] = *column < row.fields.size() ? WithoutBlanks(row.fields[*column]) : std::string_view();
    if (values[input].empty()) return "No value in " + std::string(names[input]);
  }
  if (job.species->fixed) {
    inputs.species = *job.species->fixed;
  } else {
    const ReadSpecies read = ReadRowSpecies(*job.species, values[0]);
    if (!read.species) return "Unknown species: " + std::string(values[0]);
    inputs.species = *read.species;
    if (read.mapping) inputs.note = MappingNote(values[0], *read.mapping);
  }
  for (std::size_t i = 0; i < 2; ++i) {
    const auto number = ParseNumber(values[i + 1], job.format.decimalComma);
    if (!number) return NotANumber(names[i + 1], values[i + 1], job.format.decimalComma);
    inputs.numbers[i] = *number;
  }
  return std::nullopt;
}

// The row's text cut to the header's width: trailing empty fields go
// quietly, fields with text past the header make the row an error.
std::string_view FittedText(const CsvRecord& row, const RowJob& job, std::optional<std::string>& error) {
  if (row.fields.size() <= job.width) return row.text;
  const std::size_t end = EndOfFields(row.text, job.format.delimiter, job.width);
  const bool onlyEmpty = std::all_of(row.fields.begin() + static_cast<std::ptrdiff_t>(job.width), row.fields.end(),
                                     [](std::string_view field) { return WithoutBlanks(field).empty(); });
  if (!onlyEmpty) {
    error = std::to_string(row.fields.size()) + " fields where the header has " + std::to_string(job.width) +
            "; past the header: " + std::string(row.text.substr(end + 1));
  }
  return row.text.substr(0, end);
}

void AppendResults(std::string& out, const RowJob& job, const double* results, bool computed) {
  const char delimiter = job.format.delimiter;
  for (std::size_t i = 0; i < ResultNames(job.calculation).size(); ++i) {
    out += delimiter;
    if (!computed) continue;
    const std::size_t start = out.size();
    AppendNumber(out, results[i], job.format.decimalComma);
    if (job.format.decimalComma && delimiter == ',') out.insert(start, 1, '"').append(1, '"');
  }
}

void AppendJoined(std::string& text, std::string_view part) {
  if (part.empty()) return;
  if (!text.empty()) text += "; ";
  text += part;
}

}  // namespace

void AppendHeader(std::string& out, const CsvRecord& header, const RowJob& job) {
  out.append(header.text);
  for (std::string_view name : ResultNames(job.calculation)) out.append(1, job.format.delimiter).append(name);
  out.append(1, job.format.delimiter).append("warning");
  out.append(1, job.format.delimiter).append("error");
  out.append(header.lineBreak.empty() ? job.lineBreak : header.lineBreak);
}

bool IsBlank(const CsvRecord& record) {
  return std::all_of(record.fields.begin(), record.fields.end(),
                     [](std::string_view field) { return WithoutBlanks(field).empty(); });
}

RowOutcome AppendRow(std::string& out, const CsvRecord& row, const RowJob& job) {
  std::optional<std::string> error;
  const std::string_view text = FittedText(row, job, error);
  out.append(text);
  if (row.fields.size() < job.width) out.append(job.width - row.fields.size(), job.format.delimiter);

  RowInputs inputs;
  double results[4] = {0, 0, 0, 0};
  std::string warning;
  if (!error) error = ReadInputs(row, job, inputs);
  if (!error) {
    const auto [first, second] = inputs.numbers;
    try {
      Calculate(job.calculation, inputs.species, first, second, results);
      warning = DomainWarnings(job.calculation, inputs.species, first, second, results);
    } catch (const vzorce::FloatingPointError& e) {
      error = ExplainedError(job.calculation, inputs.species, first, second, e);
    }
    if (job.strict && !warning.empty()) error = std::move(warning);
  }
  const RowOutcome outcome{!error, !error && !warning.empty()};
  AppendResults(out, job, results, outcome.computed);
  if (!outcome.computed) warning.clear();
  std::string notes = std::move(inputs.note);
  AppendJoined(notes, warning);
  out += job.format.delimiter;
  AppendField(out, notes, job.format.delimiter);
  out += job.format.delimiter;
  if (error) AppendField(out, *error, job.format.delimiter);
  out.append(row.lineBreak.empty() ? job.lineBreak : row.lineBreak);
  return outcome;
}

}  // namespace dravlik
