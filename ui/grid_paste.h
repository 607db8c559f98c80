// Cells pasted from a spreadsheet: tab-separated rows, each posted to the
// table through its own checks, numbers in the locale's form or with a point.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <vector>

namespace dravlik {

class EditHistory;
class TTable;

// Rows of cells; a cell may be quoted as spreadsheets quote it (a tab, a line
// break or a doubled quote inside). A line break at the end ends the last row.
using CellBlock = std::vector<QStringList>;
CellBlock ParseCells(const QString& text);

class GridPaste {
  Q_DECLARE_TR_FUNCTIONS(dravlik::GridPaste)

 public:
  // Column titles as a copy from the grid carries them are not pasted.
  static void DropTitles(CellBlock& block, const TTable& table, int column);
  // Writes the block's rows into the table's rows from `row` on (past the
  // last record as new records), its columns from the field `column` on;
  // each posted row is recorded in `history`. A block wider than the fields
  // left is refused before anything is posted. A row the table refuses is
  // cancelled and raised with the count of the rows posted before it; they
  // stay. Returns the rows posted.
  static int Paste(TTable& table, EditHistory& history, const CellBlock& block, int row, int column);

 private:
  static void PasteRow(TTable& table, EditHistory& history, const QStringList& cells, int row, int column);
};

}  // namespace dravlik
