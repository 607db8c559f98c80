// The grid's editing commands beyond a single cell: pasting a block, clearing
// a cell, undoing and redoing, and selecting everything. All go through the
// table's own operations and are recorded in the grid's history.
#include <QScopeGuard>

#include "db_grid.h"
#include "cell_editor.h"
#include "data_set_model.h"
#include "data_source.h"
#include "edit_history.h"
#include "grid_paste.h"
#include "table.h"

namespace dravlik {

void TDBGrid::SettleRecord() {
  SettleEditor();
  HideEditor();
  TTable& table = Table();
  if (table.State() != dsEdit && table.State() != dsInsert) return;
  // Rows pasted after a new record would move when it is posted to the end.
  table.Modified() ? table.Post() : table.Cancel();
  TableMoved();
}

void TDBGrid::Paste(const QString& text) {
  TTable& table = Table();
  if (!table.Active() || model_->columnCount() == 0) return;
  CellBlock block = ParseCells(text);
  GridPaste::DropTitles(block, table, column_);
  if (block.empty()) return;
  // Into a selected range from its first cell, as spreadsheets paste.
  const std::optional<CellRange> range = SelectedRange();
  SettleRecord();
  EndRange();
  if (range) MoveToCell(range->top, range->left);
  const int top = std::max(CurrentRow(), 0);
  int pasted = 0;
  const auto refresh = qScopeGuard([&] {
    TableMoved();
    if (pasted > 0) SelectBlock(top, pasted, static_cast<int>(block.front().size()));
  });
  EditHistory::Group group(*history_);
  pasted = GridPaste::Paste(table, *history_, block, top, column_);
}

// The anchor at the block's far corner and the current cell at its first.
void TDBGrid::SelectBlock(int top, int rows, int columns) {
  range_.End();
  range_.Begin(top + rows - 1, column_ + std::max(columns, 1) - 1);
  MoveToRow(top);
  ShowSelection();
}

void TDBGrid::ClearCell() {
  TTable& table = Table();
  if (!table.Active() || CurrentRow() < 0 || !table.CanModify() || CurrentField().ReadOnly()) return;
  WriteEditorText();
  HideEditor();
  const auto refresh = qScopeGuard([this] { TableMoved(); });
  // A new record is not stored yet: it only loses the value.
  if (table.State() == dsInsert) return CurrentField().Clear();
  const bool began = table.State() == dsBrowse;
  table.Edit();
  history_->Track();
  try {
    CurrentField().Clear();
    table.Post();
  } catch (...) {
    if (began) table.Cancel();
    throw;
  }
}

void TDBGrid::Undo() {
  TTable& table = Table();
  if (!table.Active()) return;
  HideEditor();
  EndRange();
  const auto refresh = qScopeGuard([this] { TableMoved(); });
  if (table.State() == dsEdit || table.State() == dsInsert) return table.Cancel();
  history_->Undo();
}

void TDBGrid::Redo() {
  TTable& table = Table();
  if (!table.Active() || !history_->CanRedo()) return;
  // Redoing would drop what the user has typed since.
  if (EditorModified() || table.Modified()) return;
  HideEditor();
  EndRange();
  const auto refresh = qScopeGuard([this] { TableMoved(); });
  table.Cancel();
  history_->Redo();
}

void TDBGrid::SelectAll() {
  if (!Table().Active() || model_->rowCount() == 0) return;
  range_.SelectAll();
  ShowSelection();
}

}  // namespace dravlik
