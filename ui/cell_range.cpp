#include "cell_range.h"

#include <algorithm>

namespace dravlik {

void RangeAnchor::Begin(int row, int column) {
  if (anchor_) return;
  anchor_ = Cell{row, column};
  wholeRows_ = false;
  all_ = false;
}

void RangeAnchor::BeginRows(int row, int column, bool extend) {
  if (!extend || !anchor_) anchor_ = Cell{row, column};
  wholeRows_ = true;
  all_ = false;
}

void RangeAnchor::SelectAll() {
  anchor_ = Cell{0, 0};
  wholeRows_ = false;
  all_ = true;
}

bool RangeAnchor::End() {
  const bool had = anchor_.has_value();
  anchor_.reset();
  all_ = false;
  return had;
}

std::optional<CellRange> RangeAnchor::RangeTo(int row, int column, int rows, int columns) const {
  if (!anchor_ || row < 0 || anchor_->row >= rows) return std::nullopt;
  if (all_) return CellRange{0, 0, rows - 1, columns - 1};
  const int top = std::min(row, anchor_->row);
  const int bottom = std::max(row, anchor_->row);
  if (wholeRows_) return CellRange{top, 0, bottom, columns - 1};
  return CellRange{top, std::min(column, anchor_->column), bottom, std::max(column, anchor_->column)};
}

bool RangeAnchor::Extends(const QKeyEvent& event, bool editorOpen) {
  if (!(event.modifiers() & Qt::ShiftModifier) || editorOpen) return false;
  switch (event.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
      return true;
    default:
      return false;
  }
}

}  // namespace dravlik
