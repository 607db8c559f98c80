// A data grid: shows the table of its data source and lets the user browse
// and edit it in place through the table's own operations. The table leads:
// the grid's current cell is always the table's current record (or its
// pending new record) in the grid's current column.
#pragma once

#include <QPointer>
#include <QTableView>
#include <memory>
#include <optional>

#include "cell_range.h"
#include "data_link.h"

namespace dravlik {

class CellEditor;
class DataSetModel;
class EditHistory;
class TDataSource;
class TField;
class TTable;

class TDBGrid : public QTableView, private TDataLink {
  Q_OBJECT
 public:
  explicit TDBGrid(TDataSource& dataSource, QWidget* parent = nullptr);
  ~TDBGrid() override;

  TDataSource& DataSource() const { return dataSource_; }
  DataSetModel& Model() const { return *model_; }
  // The current column, a field index.
  int Column() const { return column_; }
  // The open cell editor, or null.
  CellEditor* Editor() const;
  // The cells selected with Shift and the movement keys or a click, or by a
  // click on the indicator column (whole rows): from where the selection began
  // to the current cell. Nothing when the user has not selected a range.
  std::optional<CellRange> SelectedRange() const;
  // Makes `row` the current record as the movement keys do.
  void GoToRow(int row);
  // The user's changes to the table in this run.
  EditHistory& History() const { return *history_; }

  // Tab-separated cells into the table from the current cell (the first of a
  // selected range) on; the pasted rows end selected. Raises the table's error for a value it refuses.
  void Paste(const QString& text);
  // Makes the current cell null and posts the record, as one change.
  void ClearCell();
  // A pending record is undone by cancelling it; otherwise the last step.
  void Undo();
  void Redo();
  // Every cell, up to the next move.
  void SelectAll();

  // The keys of the grid, from the grid or its cell editor; false for keys it
  // leaves to the one that received them.
  bool HandleKey(const QKeyEvent& event);
  // Asked before the editor's text first changes: puts the table into edit
  // state; false where the cell cannot be changed.
  bool CanEditModify();
  // The focus went from the grid or its editor to `QApplication::focusWidget()`.
  void FocusLeft(Qt::FocusReason reason);
  // As leaving the grid does: writes the cell editor's text into the field, or
  // cancels a new record that has not been changed. Raises what the field
  // raises for a text it cannot take.
  void SettleEditor();
  void EditorOpened(CellEditor& editor);
  void EditorClosed(QWidget& editor);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void keyboardSearch(const QString&) override {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The table asks for the editor's text before it posts.
  void UpdateData() override;

  TTable& Table() const;
  TField& CurrentField() const;
  int CurrentRow() const;
  bool EditorModified() const;
  // No change to the record: neither stored in the table nor typed.
  bool Unchanged() const;
  int VisibleRows() const;

  void EndRange();
  void SelectRows(int row, bool extend);
  bool InSelectedRange(const QModelIndex& index) const;

  void SyncCurrentCell();
  // The current cell is highlighted while the grid or its editor has the focus.
  void ShowSelection();
  void ApplyColumnWidths();
  void TableMoved();

  void PriorRow();
  void NextRow();
  void MoveToRow(int row);
  void MoveColumn(int column);
  void MoveToCell(int row, int column);
  void NextCell(bool forward);
  // Ctrl+Tab: Tab itself stays within the grid.
  void FocusNextControl(bool forward);
  void InsertRecord();
  // Posts a changed pending record, cancels an unchanged one.
  void SettleRecord();
  void SelectBlock(int top, int rows, int columns);
  void DeleteRecord();
  void Escape();
  void Enter();
  void ShowEditor();
  void HideEditor();
  void WriteEditorText();

  TDataSource& dataSource_;
  DataSetModel* model_;
  QPointer<CellEditor> editor_;
  int column_ = 0;
  int columnsSized_ = 0;
  bool syncing_ = false;
  RangeAnchor range_;
  std::unique_ptr<EditHistory> history_;
  // Where a drag with the left button began; row -1 when none.
  int dragRow_ = -1;
  int dragColumn_ = 0;
};

}  // namespace dravlik
