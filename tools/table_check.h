// Whether a table file still says what the models say: its rows against the
// rows the generator writes, matched by their keys (species and the two key
// columns, the first three fields of both tables), field by field.
#pragma once

#include <ostream>

namespace dravlik {

class TTable;

struct TableCheckSummary {
  int rowsCompared = 0;  // rows of the file
  int rowsDiffering = 0;  // with another value, or out of order
  int rowsMissing = 0;
  int rowsExtra = 0;
  bool Identical() const { return rowsDiffering == 0 && rowsMissing == 0 && rowsExtra == 0; }
};

// Both tables open. Writes one line per difference, each starting with the
// file's table name.
TableCheckSummary CompareTables(TTable& file, TTable& models, std::ostream& out);

}  // namespace dravlik
