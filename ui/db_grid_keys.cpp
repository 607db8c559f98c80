// The grid's keys and the commands they give: moving between cells and rows,
// inserting and deleting records, and opening, closing and writing the cell
// editor, each through the table's own operations.
#include "db_grid.h"

#include <QKeyEvent>
#include <QLocale>
#include <limits>

#include "application.h"
#include "cell_editor.h"
#include "data_set_model.h"
#include "data_source.h"
#include "edit_history.h"
#include "table.h"

namespace dravlik {
namespace {

constexpr int kLastRow = std::numeric_limits<int>::max();

// Pressed on its own on the way to a combination such as Ctrl+C.
bool IsModifierKey(int key) {
  return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
         key == Qt::Key_AltGr;
}

// The editor shows numbers with the separator of the user's locale as the
// toolkit knows it; the field reads them with the C library's. They agree
// unless the locale is not installed for the C library.
std::string FieldText(const QString& text, const TField& field) {
  QString result = text;
  if (field.DataType() == ftFloat) {
    const QString shown = QLocale().decimalPoint();
    const QString read(QChar::fromLatin1(LocaleDecimalSeparator()));
    if (shown != read) result.replace(shown, read);
  }
  return result.toStdString();
}

}  // namespace

bool TDBGrid::HandleKey(const QKeyEvent& event) {
  const bool tab = event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab;
  if (tab && (event.modifiers() & Qt::ControlModifier)) {
    FocusNextControl(event.key() == Qt::Key_Tab && !(event.modifiers() & Qt::ShiftModifier));
    return true;
  }
  if (!Table().Active()) return false;
  const bool extending = RangeAnchor::Extends(event, editor_);
  if (extending) {
    range_.Begin(CurrentRow(), column_);
  } else if (!IsModifierKey(event.key())) {
    EndRange();
  }
  const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
  const bool control = modifiers & Qt::ControlModifier;
  const int lastColumn = model_->columnCount() - 1;
  switch (event.key()) {
    case Qt::Key_Up:
      control ? MoveToRow(rowAt(0)) : PriorRow();
      return true;
    case Qt::Key_Down:
      if (control) {
        MoveToRow(std::max(rowAt(0), 0) + VisibleRows() - 1);
      } else if (extending) {
        MoveToRow(CurrentRow() + 1);  // selecting down to the last row appends nothing
      } else {
        NextRow();
      }
      return true;
    case Qt::Key_PageUp:
      MoveToRow(control ? rowAt(0) : CurrentRow() - VisibleRows());
      return true;
    case Qt::Key_PageDown:
      MoveToRow(control ? std::max(rowAt(0), 0) + VisibleRows() - 1 : CurrentRow() + VisibleRows());
      return true;
    case Qt::Key_Left:
      MoveColumn(control ? 0 : column_ - 1);
      return true;
    case Qt::Key_Right:
      MoveColumn(control ? lastColumn : column_ + 1);
      return true;
    case Qt::Key_Home:
      (control || lastColumn == 0) ? MoveToRow(0) : MoveColumn(0);
      return true;
    case Qt::Key_End:
      (control || lastColumn == 0) ? MoveToRow(kLastRow) : MoveColumn(lastColumn);
      return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      if (!(modifiers & Qt::AltModifier)) {
        NextCell(event.key() == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier));
      }
      return true;
    case Qt::Key_Insert:
      if (modifiers != Qt::NoModifier) return false;
      InsertRecord();
      return true;
    case Qt::Key_Delete:
      if (!control) return false;
      DeleteRecord();
      return true;
    case Qt::Key_Escape:
      Escape();
      return true;
    case Qt::Key_F2:
      ShowEditor();
      return true;
    case Qt::Key_A:
      if (modifiers != Qt::ControlModifier) return false;
      SelectAll();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Enter();
      return true;
    default:
      return false;
  }
}

void TDBGrid::PriorRow() {
  TTable& table = Table();
  if (table.State() == dsInsert && Unchanged() && table.InsertRow() == table.RowCount() - 1) {
    table.Cancel();
  } else {
    table.MoveTo(CurrentRow() - 1);
  }
  TableMoved();
}

void TDBGrid::NextRow() {
  TTable& table = Table();
  if (table.State() == dsInsert && Unchanged()) {
    if (table.InsertRow() == table.RowCount() - 1) return;
    table.Cancel();
  } else if (CurrentRow() >= table.RowCount() - 1) {
    if (table.CanModify()) {
      table.Append();
      history_->Track();
    }
  } else {
    table.MoveTo(CurrentRow() + 1);
  }
  TableMoved();
}

void TDBGrid::MoveToRow(int row) {
  Table().MoveTo(row);
  TableMoved();
}

void TDBGrid::MoveColumn(int column) {
  column = std::clamp(column, 0, std::max(model_->columnCount() - 1, 0));
  if (column == column_) return;
  WriteEditorText();
  HideEditor();
  column_ = column;
  SyncCurrentCell();
}

void TDBGrid::MoveToCell(int row, int column) {
  if (row != CurrentRow()) MoveToRow(row);
  MoveColumn(column);
}

void TDBGrid::NextCell(bool forward) {
  const int lastColumn = model_->columnCount() - 1;
  if (forward && column_ == lastColumn) {
    NextRow();
    MoveColumn(0);
  } else if (!forward && column_ == 0) {
    PriorRow();
    MoveColumn(lastColumn);
  } else {
    MoveColumn(column_ + (forward ? 1 : -1));
  }
}

void TDBGrid::InsertRecord() {
  if (!Table().CanModify()) return;
  Table().Insert();
  history_->Track();
  TableMoved();
}

void TDBGrid::DeleteRecord() {
  TTable& table = Table();
  if (table.IsEmpty() || !table.CanModify()) return;
  if (!TApplication::Instance()->Dialogs().Confirm(QStringLiteral("Delete record?"))) return;
  // In insert state Delete cancels the new record: nothing to record.
  const bool deletes = table.State() != dsInsert;
  const int row = table.CurrentRow();
  RecordValues values = deletes ? history_->StoredValues() : RecordValues{};
  table.Delete();
  if (deletes) history_->RecordDelete(row, std::move(values));
  TableMoved();
}

void TDBGrid::Escape() {
  if (EditorModified()) {
    editor_->setText(GridText(CurrentField().Value()));
    editor_->setModified(false);
  } else {
    Table().Cancel();
  }
  HideEditor();
  TableMoved();
}

void TDBGrid::Enter() {
  if (editor_) {
    WriteEditorText();
    HideEditor();
    TableMoved();
  } else {
    ShowEditor();
  }
}

void TDBGrid::ShowEditor() {
  TTable& table = Table();
  if (table.IsEmpty() && table.State() != dsInsert) {
    if (!table.CanModify()) return;
    table.Insert();
    history_->Track();
    TableMoved();
  }
  if (currentIndex().isValid()) QTableView::edit(currentIndex());
}

void TDBGrid::HideEditor() {
  if (editor_) closeEditor(editor_, QAbstractItemDelegate::NoHint);
}

void TDBGrid::WriteEditorText() {
  if (!EditorModified()) return;
  // A text that is not a number raises here; the field and the editor keep
  // what they had.
  CurrentField().SetText(FieldText(editor_->text(), CurrentField()));
  editor_->setModified(false);
}

void TDBGrid::UpdateData() { WriteEditorText(); }

bool TDBGrid::CanEditModify() {
  TTable& table = Table();
  if (!table.CanModify() || CurrentField().ReadOnly()) return false;
  // Editing an empty table would insert a record under the open editor.
  if (table.IsEmpty() && table.State() != dsInsert) return false;
  table.Edit();
  history_->Track();
  return table.State() == dsEdit || table.State() == dsInsert;
}

}  // namespace dravlik
