#include "cell_editor.h"

#include <QKeyEvent>
#include <QLocale>

#include "application.h"
#include "data_source.h"
#include "db_grid.h"
#include "table.h"

namespace dravlik {
namespace {

// Whether a key changes the text of a line editor.
bool ChangesText(const QKeyEvent& event) {
  if (event.matches(QKeySequence::Paste) || event.matches(QKeySequence::Cut) ||
      event.matches(QKeySequence::Undo) || event.matches(QKeySequence::Redo) ||
      event.matches(QKeySequence::DeleteEndOfWord) || event.matches(QKeySequence::DeleteStartOfWord) ||
      event.matches(QKeySequence::DeleteEndOfLine) || event.matches(QKeySequence::DeleteCompleteLine)) {
    return true;
  }
  if (event.key() == Qt::Key_Backspace || event.key() == Qt::Key_Delete) return true;
  const QString text = event.text();
  return !text.isEmpty() && text.front().isPrint() && !(event.modifiers() & Qt::ControlModifier);
}

// The locale's decimal separator where the user typed a point into a number:
// a point is what the numeric keypad and other programs give, and the find
// bar takes it too. Empty where the typed text stays as it is.
QString DecimalSeparatorFor(const QKeyEvent& event, const TField& field) {
  const QString separator = QLocale().decimalPoint();
  if (field.DataType() != ftFloat || event.text() != QStringLiteral(".") || separator == event.text() ||
      (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    return {};
  }
  return separator;
}

}  // namespace

CellEditor::CellEditor(TDBGrid& grid, QWidget* parent) : QLineEdit(parent), grid_(grid) {
  setFrame(false);
  // Paste and drop would change the text past the check that starts editing.
  setContextMenuPolicy(Qt::NoContextMenu);
  setDragEnabled(false);
  setAcceptDrops(false);
}

bool CellEditor::BelongsToGrid(const QKeyEvent& event) const {
  const bool control = event.modifiers() & Qt::ControlModifier;
  const bool wholeOrNoSelection = !hasSelectedText() || selectedText() == text();
  switch (event.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
      return true;
    case Qt::Key_Insert:
      return event.modifiers() == Qt::NoModifier;
    case Qt::Key_Delete:
      return control;
    // Within the text the caret keys move the caret; at its edge they move
    // to the neighbouring cell.
    case Qt::Key_Left:
      return control || (cursorPosition() == 0 && wholeOrNoSelection);
    case Qt::Key_Right:
      return control || (cursorPosition() == text().size() && wholeOrNoSelection);
    case Qt::Key_Home:
      return control || (cursorPosition() == 0 && !hasSelectedText());
    case Qt::Key_End:
      return control || (cursorPosition() == text().size() && !hasSelectedText());
    default:
      return false;
  }
}

void CellEditor::keyPressEvent(QKeyEvent* event) {
  bool handled = true;
  ShowingErrors([&] {
    handled = (BelongsToGrid(*event) && grid_.HandleKey(*event)) || (ChangesText(*event) && !grid_.CanEditModify());
  });
  if (handled) return;
  const QString separator = DecimalSeparatorFor(*event, grid_.DataSource().DataSet().Field(grid_.Column()));
  if (separator.isEmpty()) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  QKeyEvent typed(event->type(), event->key(), event->modifiers(), separator, event->isAutoRepeat(),
                  static_cast<quint16>(event->count()));
  QLineEdit::keyPressEvent(&typed);
  event->setAccepted(typed.isAccepted());
}

void CellEditor::inputMethodEvent(QInputMethodEvent* event) {
  bool refused = true;
  ShowingErrors([&] { refused = !event->commitString().isEmpty() && !grid_.CanEditModify(); });
  if (!refused) QLineEdit::inputMethodEvent(event);
}

void CellEditor::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  ShowingErrors([&] { grid_.FocusLeft(event->reason()); });
}

CellDelegate::CellDelegate(TDBGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

QWidget* CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
  auto* editor = new CellEditor(grid_, parent);
  editor->setAlignment(Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()));
  grid_.EditorOpened(*editor);
  return editor;
}

void CellDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
  grid_.EditorClosed(*editor);
  QStyledItemDelegate::destroyEditor(editor, index);
}

void CellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* line = static_cast<CellEditor*>(editor);
  const QString text = index.data(Qt::EditRole).toString();
  if (line->isModified() || line->text() == text) return;
  line->setText(text);
  line->selectAll();
}

}  // namespace dravlik
