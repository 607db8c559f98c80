// A range of cells the user selects in a grid: it runs from where the
// selection began (its anchor) to the current cell, and covers whole rows
// when it began on the indicator column.
#pragma once

#include <QKeyEvent>
#include <optional>

namespace dravlik {

// A block of cells, first to last row and column inclusive.
struct CellRange {
  int top = 0;
  int left = 0;
  int bottom = 0;
  int right = 0;

  bool Contains(int row, int column) const { return row >= top && row <= bottom && column >= left && column <= right; }
};

class RangeAnchor {
 public:
  // Anchors a range at the cell unless one is anchored already.
  void Begin(int row, int column);
  // Anchors a range of whole rows at the row (anew unless `extend`).
  void BeginRows(int row, int column, bool extend);
  // Every cell, whatever the current cell.
  void SelectAll();
  // Whether there was a range.
  bool End();

  // The range up to the current cell of a grid with `rows` rows and `columns`
  // columns, or nothing.
  std::optional<CellRange> RangeTo(int row, int column, int rows, int columns) const;

  // Shift with a movement key extends a range, unless a cell editor is open:
  // there it selects the editor's text.
  static bool Extends(const QKeyEvent& event, bool editorOpen);

 private:
  struct Cell {
    int row;
    int column;
  };
  std::optional<Cell> anchor_;
  bool wholeRows_ = false;
  bool all_ = false;
};

}  // namespace dravlik
