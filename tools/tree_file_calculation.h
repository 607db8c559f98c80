// The calculator over a whole CSV file of trees or stands: every record passes
// through with the results, a warning and an error column appended. It
// streams: the input is taken in blocks of whole records, computed on every
// core when there is more than one block, and written in input order, so
// memory does not grow with the number of rows.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "csv_block_reader.h"
#include "encoded_streams.h"
#include "input_columns.h"
#include "species_reading.h"
#include "tree_rows.h"

namespace dravlik {

struct TreeFileOptions {
  Calculation calculation;
  CsvFormat format;
  ColumnChoices columns;
  SpeciesReading species;
  std::string encoding;  // the file's, for input and output; empty: UTF-8
  bool strict = false;   // a warning makes the row an error
  const HeightFilling* filling = nullptr;  // volume: heights filled from curves
};

struct TreeFileSummary {
  std::uint64_t rowsRead = 0;
  std::uint64_t rowsComputed = 0;
  std::uint64_t rowsWarned = 0;  // computed, with a warning
  std::uint64_t RowsWithError() const { return rowsRead - rowsComputed; }
};

// The most columns a header may have, as spreadsheets have.
inline constexpr std::size_t kMaxColumns = 16384;

// The job of every row under a header; TreeFileError when the header lacks
// a column.
RowJob MakeRowJob(const TreeFileOptions& options, const CsvRecord& header, std::size_t linesBefore);

TreeFileSummary CalculateTreeFile(const TreeFileOptions& options, const InputReader& read,
                                  const OutputWriter& write);

}  // namespace dravlik
