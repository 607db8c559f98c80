#include "tree_rows.h"

#include <algorithm>
#include <optional>

#include "blanks.h"
#include "delimited_fields.h"
#include "group_curves.h"
#include "number_text.h"

namespace dravlik {
namespace {

std::string NotANumber(std::string_view input, std::string_view value, bool decimalComma) {
  std::string message = NotANumberIn(input, value);
  if (!decimalComma && ParseNumber(value, true)) message += " (a decimal comma? add --decimal-comma)";
  if (decimalComma && ParseNumber(value, false)) message += " (with --decimal-comma, numbers take a comma)";
  return message;
}

}  // namespace

std::optional<std::string> ReadInputs(const CsvRecord& row, const RowJob& job, RowInputs& inputs) {
  const auto names = InputNames(job.calculation.quantity);
  std::string_view values[kMostInputs];
  for (std::size_t input = 0; input < names.size(); ++input) {
    const auto column = job.columns[input];
    if (!column) continue;
    values[input] = *column < row.fields.size() ? WithoutBlanks(row.fields[*column]) : std::string_view();
    if (!values[input].empty()) continue;
    if (input == kTreeHeightInput && job.heightsMayBeMissing) {
      inputs.heightMissing = true;
      values[input] = "0";
    } else {
      return NoValueIn(names[input]);
    }
  }
  if (job.species->fixed) {
    inputs.species = *job.species->fixed;
  } else {
    const ReadSpecies read = ReadRowSpecies(*job.species, values[0]);
    if (!read.species) return UnknownSpecies(values[0]);
    inputs.species = *read.species;
    if (read.mapping) inputs.note = MappingNote(values[0], *read.mapping);
  }
  for (std::size_t i = 0; i + 1 < names.size(); ++i) {
    const auto number = ParseNumber(values[i + 1], job.format.decimalComma);
    if (!number) return NotANumber(names[i + 1], values[i + 1], job.format.decimalComma);
    inputs.numbers[i] = *number;
  }
  return std::nullopt;
}

namespace {

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
    AppendNumberField(out, results[i], job.format);
  }
}

// The height of a tree without one from its curve, or why it has none; a
// curve's warning goes to `warning`.
std::optional<std::string> FillHeight(const CsvRecord& row, const RowJob& job, RowInputs& inputs,
                                      std::string& warning) {
  const FilledHeight filled =
      job.filling->curves->Fill(job.filling->groups->Find(row), inputs.species, inputs.numbers[0]);
  if (!filled.error.empty()) return filled.error;
  inputs.numbers[1] = filled.height;
  warning = filled.warning;
  return std::nullopt;
}

void AppendHeightUsed(std::string& out, const RowJob& job, const RowInputs& inputs, bool known) {
  out += job.format.delimiter;
  if (known) AppendNumberField(out, inputs.numbers[1], job.format);
  out += job.format.delimiter;
  if (known) out += inputs.heightMissing ? "yes" : "no";
}

}  // namespace

void AppendNumberField(std::string& out, double value, const CsvFormat& format) {
  const std::size_t start = out.size();
  AppendNumber(out, value, format.decimalComma);
  if (format.decimalComma && format.delimiter == ',') out.insert(start, 1, '"').append(1, '"');
}

void AppendHeader(std::string& out, const CsvRecord& header, const RowJob& job) {
  const char delimiter = job.format.delimiter;
  out.append(header.text);
  if (job.filling) out.append(1, delimiter).append("height_used").append(1, delimiter).append("height_filled");
  for (std::string_view name : ResultNames(job.calculation)) out.append(1, delimiter).append(name);
  out.append(1, delimiter).append("warning");
  out.append(1, delimiter).append("error");
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
  Evaluation evaluation;
  std::string warning;
  if (!error) error = ReadInputs(row, job, inputs);
  if (!error && inputs.heightMissing) error = FillHeight(row, job, inputs, warning);
  const bool heightKnown = !error;
  if (!error) {
    evaluation = Evaluate(job.calculation, inputs.species, inputs.numbers, job.strict, std::move(warning));
    error = std::move(evaluation.error);
    warning = std::move(evaluation.warning);
  }
  const RowOutcome outcome{!error, !error && !warning.empty()};
  if (job.filling) AppendHeightUsed(out, job, inputs, heightKnown);
  AppendResults(out, job, evaluation.results, outcome.computed);
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
