// The calculator over a whole CSV file of trees or stands: every record passes
// through unchanged with the results and an error column appended. It streams:
// the input is taken in blocks of whole records, computed on every core when
// there is more than one block, and written in input order, so memory does not
// grow with the number of rows.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tree_calculation.h"

namespace dravlik {

struct CsvFormat {
  char delimiter = ',';
  bool decimalComma = false;
};

struct TreeFileOptions {
  Calculation calculation;
  CsvFormat format;
  // Input name ("species", "diameter", ...) to the column's name in the
  // header, for inputs whose column is named otherwise.
  std::map<std::string, std::string> columns;
};

struct TreeFileSummary {
  std::uint64_t rowsRead = 0;
  std::uint64_t rowsComputed = 0;
  std::uint64_t RowsWithError() const { return rowsRead - rowsComputed; }
};

// An input that cannot be used: unreadable, or without a column it needs.
// Raised before anything is written where the header is at fault.
class TreeFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Fills `buffer` with up to `size` bytes; 0 at the end of the input.
using InputReader = std::function<std::size_t(char* buffer, std::size_t size)>;
// Called first with the header, then with blocks of rows in input order.
using OutputWriter = std::function<void(std::string_view bytes)>;

TreeFileSummary CalculateTreeFile(const TreeFileOptions& options, const InputReader& read,
                                  const OutputWriter& write);

}  // namespace dravlik
