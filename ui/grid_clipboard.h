// Cells of a table as a spreadsheet takes them from the clipboard: tab-separated
// text and an HTML table, each with the column titles as the first row and the
// values as the grid shows them.
#pragma once

#include <QString>
#include <memory>

#include "db_grid.h"

class QMimeData;

namespace dravlik {

class TTable;

struct CellsText {
  QString tabSeparated;
  QString html;
};

// Reads the rows from the table layer itself: the grid's model would cost a
// string conversion per cell and a round trip per value.
CellsText CellsAsText(TTable& table, const CellRange& range);

std::unique_ptr<QMimeData> CellsAsMimeData(TTable& table, const CellRange& range);

// The selected range of the grid, or its current row when no range is
// selected; false when there is nothing to copy.
bool CopySelectedCells(TDBGrid& grid);

}  // namespace dravlik
