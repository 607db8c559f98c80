// Whether a table file still says what the models say: its rows against the
// rows the generator writes, matched by their keys (species and the two key
// columns, the first three fields of both tables), field by field.
#pragma once

#include <ostream>

#include "memory_rows.h"

namespace dravlik {

class TTable;

struct TableCheckSummary {
  int rowsCompared = 0;  // rows of the file
  int rowsDiffering = 0;  // with another value, or out of order
  int rowsMissing = 0;
  int rowsExtra = 0;
  bool Identical() const { return rowsDiffering == 0 && rowsMissing == 0 && rowsExtra == 0; }
};

// Every row's values, in file order.
TableRows ReadTableRows(TTable& table);

// The rows of a table's file against the rows the models give; `table` names
// the table and its fields. Writes one line per difference, each starting
// with the table's name.
TableCheckSummary CompareTables(const TTable& table, const TableRows& file, const TableRows& models,
                                std::ostream& out);

}  // namespace dravlik
