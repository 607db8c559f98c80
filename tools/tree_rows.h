// One row of a tree file: fitted to the header's width, its inputs read and
// computed, and written out with the results, a warning and an error column,
// so that every row has the header's fields and every result stands under
// its own column.
#pragma once

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

struct RowJob {
  Calculation calculation;
  CsvFormat format;
  const SpeciesReading* species = nullptr;
  bool strict = false;              // a warning makes the row an error
  std::size_t width = 0;            // the header's fields
  InputColumns columns;
  std::string_view lineBreak = "\n";  // for a last row without one
};

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
