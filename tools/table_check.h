// Whether a table file still says what the models say: its rows against the
// rows the generator writes, matched by their keys (species and the two key
// columns, the first three fields of both tables), field by field. The file
// is read one record after another and each difference reported as it is found,
// so that what is held stays within the models' rows whatever the file's size.
#pragma once

#include <functional>
#include <string>

#include "memory_rows.h"

namespace dravlik {

class TTable;
class TableFileReader;

inline constexpr int kKeyFields = 3;

struct TableCheckSummary {
  int rowsCompared = 0;  // rows of the file
  int rowsDiffering = 0;  // with another value, or out of order
  int rowsMissing = 0;
  int rowsExtra = 0;
  bool Identical() const { return rowsDiffering == 0 && rowsMissing == 0 && rowsExtra == 0; }
};

// Takes one line of the report, without its line end.
using ReportLine = std::function<void(const std::string&)>;

// The records of `file`, from its next one on, against the rows the models
// give, which have the fields of `schema`, the models' table. `file` reads
// those of the schema's fields that the file holds, the key fields among
// them; only those are compared. Each line starts with the table's name and names its row.
// Field differences and rows not in the models' table come as the rows are
// read; at the end come the rows that only the end can decide (a key the
// models lack, where a row of the models stands), the rows found out of
// order only once an earlier row was decided, and then the missing rows. A
// stored text that is no number is a difference of its field; any other
// failure to read is raised.
TableCheckSummary CompareTables(TableFileReader& file, const TTable& schema, const TableRows& models,
                                const ReportLine& report);

}  // namespace dravlik
