// A tree file read record by record, in input order, on one core: for the
// passes that gather what a whole file says (height curves, a stand's sums)
// rather than write each row.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "csv_block_reader.h"
#include "csv_records.h"
#include "encoded_streams.h"

namespace dravlik {

// The lines a record takes in the input.
std::size_t LinesOf(const CsvRecord& record);

// A message placed after `linesBefore` lines of the input.
std::string AtLine(std::size_t linesBefore, const std::string& message);

using HeaderHandler = std::function<void(const CsvRecord& header)>;
using RowHandler = std::function<void(const CsvRecord& row)>;

// Calls `header` with the first record that is not blank, then `row` with
// every later one that is not blank. Throws TreeFileError for an empty
// input, a record that does not end or is too long, and what the reader
// raises; what the handlers throw passes through.
void ScanTreeFile(const InputReader& read, char delimiter, const HeaderHandler& header, const RowHandler& row);

}  // namespace dravlik
