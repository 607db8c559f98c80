// One row of a tree file: fitted to the header's width, its inputs read and
// computed, and written out with the results, a warning and an error column,
// so that every row has the header's fields and every result stands under
// its own column.
#pragma once

#include <optional>
#include <string>

#include "csv_records.h"
#include "input_columns.h"
#include "species_reading.h"
#include "tree_calculation.h"

namespace dravlik {

struct CsvFormat {
  char delimiter = ',';
  bool decimalComma = false;
};

class TreeGroups;
class GroupCurves;

// Trees without a height get one from their group's and species' curve.
struct HeightFilling {
  const TreeGroups* groups = nullptr;
  const GroupCurves* curves = nullptr;
};

struct RowJob {
  Calculation calculation;
  CsvFormat format;
  const SpeciesReading* species = nullptr;
  bool strict = false;              // a warning makes the row an error
  std::size_t width = 0;            // the header's fields
  InputColumns columns;
  std::string_view lineBreak = "\n";  // for a last row without one
  bool heightsMayBeMissing = false;  // a tree's height, where it is to be filled
  const HeightFilling* filling = nullptr;  // volume rows gain height_used and height_filled
};

// A tree's height among the volume's inputs.
inline constexpr std::size_t kTreeHeightInput = 2;

struct RowInputs {
  vzorce::SpeciesIndex species = 0;
  Numbers numbers = {};
  std::string note;            // how the species was read, where the user's map gave it
  bool heightMissing = false;  // where heights may be missing; its number is then 0
};

// The row's inputs, or the message that says why it has none.
std::optional<std::string> ReadInputs(const CsvRecord& row, const RowJob& job, RowInputs& inputs);

// A number in a field, quoted where its decimal comma is the delimiter.
void AppendNumberField(std::string& out, double value, const CsvFormat& format);

// The header with the names of the columns the rows gain.
void AppendHeader(std::string& out, const CsvRecord& header, const RowJob& job);

// A row with nothing but blanks, which is skipped: an empty line, or one of
// delimiters only, as spreadsheets write emptied rows.
bool IsBlank(const CsvRecord& record);

struct RowOutcome {
  bool computed = false;
  bool warned = false;
};

RowOutcome AppendRow(std::string& out, const CsvRecord& row, const RowJob& job);

}  // namespace dravlik
