#include "db_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

#include "application.h"
#include "cell_editor.h"
#include "data_set_model.h"
#include "data_source.h"
#include "edit_history.h"
#include "indicator_column.h"
#include "table.h"

namespace dravlik {
namespace {

// Characters a column is wide enough for, as a field's display width.
constexpr int kFloatDisplayWidth = 10;

}  // namespace

TDBGrid::TDBGrid(TDataSource& dataSource, QWidget* parent)
    : QTableView(parent),
      dataSource_(dataSource),
      model_(new DataSetModel(dataSource, this)),
      history_(std::make_unique<EditHistory>(dataSource.DataSet())) {
  setVerticalHeader(new IndicatorColumn(this));
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  verticalHeader()->setMinimumSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setModel(model_);
  setItemDelegate(new CellDelegate(*this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed);
  setShowGrid(true);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setTabKeyNavigation(true);
  // The toolkit hides the editors of a reset model; a focused editor would hand
  // the focus on as if Tab had been pressed.
  connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
    if (editor_ && editor_->hasFocus()) setFocus();
  });
  connect(model_, &QAbstractItemModel::modelReset, this, &TDBGrid::ApplyColumnWidths);
  connect(model_, &DataSetModel::refreshed, this, &TDBGrid::SyncCurrentCell);
  verticalHeader()->viewport()->installEventFilter(this);
  Table().AddLink(*this);
  ApplyColumnWidths();
  SyncCurrentCell();
}

TDBGrid::~TDBGrid() = default;

TTable& TDBGrid::Table() const { return dataSource_.DataSet(); }

TField& TDBGrid::CurrentField() const { return Table().Field(column_); }

int TDBGrid::CurrentRow() const { return model_->CurrentRow(); }

CellEditor* TDBGrid::Editor() const { return editor_; }

bool TDBGrid::EditorModified() const { return editor_ && editor_->isModified(); }

bool TDBGrid::Unchanged() const { return !Table().Modified() && !EditorModified(); }

int TDBGrid::VisibleRows() const {
  return std::max(1, viewport()->height() / verticalHeader()->defaultSectionSize());
}

void TDBGrid::EditorOpened(CellEditor& editor) { editor_ = &editor; }

void TDBGrid::EditorClosed(QWidget& editor) {
  if (editor_ == &editor) editor_ = nullptr;
}

void TDBGrid::ApplyColumnWidths() {
  const int columns = model_->columnCount();
  if (columns == columnsSized_) return;
  columnsSized_ = columns;
  const QFontMetrics metrics(font());
  for (int column = 0; column < columns; ++column) {
    const TField& field = Table().Field(column);
    const int characters = field.DataType() == ftString ? field.Size() : kFloatDisplayWidth;
    const int width = characters * metrics.horizontalAdvance(u'0') + 4;
    horizontalHeader()->resizeSection(column, std::max(width, horizontalHeader()->sectionSizeHint(column)));
  }
}

void TDBGrid::SyncCurrentCell() {
  const int row = CurrentRow();
  const int columns = model_->columnCount();
  column_ = std::clamp(column_, 0, std::max(columns - 1, 0));
  syncing_ = true;
  if (row >= 0 && columns > 0) {
    const QModelIndex index = model_->index(row, column_);
    if (currentIndex() != index) selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
  } else {
    selectionModel()->clear();
  }
  ShowSelection();
  syncing_ = false;
}

std::optional<CellRange> TDBGrid::SelectedRange() const {
  return range_.RangeTo(CurrentRow(), column_, model_->rowCount(), model_->columnCount());
}

bool TDBGrid::InSelectedRange(const QModelIndex& index) const {
  const std::optional<CellRange> range = SelectedRange();
  return range && range->Contains(index.row(), index.column());
}

void TDBGrid::EndRange() {
  if (range_.End()) ShowSelection();
}

void TDBGrid::GoToRow(int row) {
  EndRange();
  MoveToRow(row);
}

void TDBGrid::SelectRows(int row, bool extend) {
  setFocus(Qt::MouseFocusReason);
  if (extend) range_.Begin(CurrentRow(), column_);
  MoveToRow(row);
  range_.BeginRows(CurrentRow(), column_, extend);
  ShowSelection();
}

void TDBGrid::ShowSelection() {
  const bool focused = hasFocus() || (editor_ && editor_->hasFocus());
  if (focused && currentIndex().isValid()) {
    const std::optional<CellRange> range = SelectedRange();
    const QItemSelection cells = range ? QItemSelection(model_->index(range->top, range->left),
                                                        model_->index(range->bottom, range->right))
                                       : QItemSelection(currentIndex(), currentIndex());
    if (selectionModel()->selection() != cells) selectionModel()->select(cells, QItemSelectionModel::ClearAndSelect);
  } else if (selectionModel()->hasSelection()) {
    selectionModel()->clearSelection();
  }
}

void TDBGrid::TableMoved() { model_->Refresh(); }

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (syncing_ || !current.isValid() || (current.row() == CurrentRow() && current.column() == column_)) return;
  // Something other than the grid moved the view's cursor: let the table lead.
  const int row = current.row();
  const int column = current.column();
  QMetaObject::invokeMethod(this, [this, row, column] { MoveToCell(row, column); }, Qt::QueuedConnection);
}

void TDBGrid::FocusLeft(Qt::FocusReason reason) {
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
  QWidget* now = QApplication::focusWidget();
  if (!now || now == this || isAncestorOf(now) || !Table().Active()) return;
  ShowSelection();
  SettleEditor();
}

void TDBGrid::SettleEditor() {
  if (!Table().Active()) return;
  if (Table().State() == dsInsert && Unchanged()) {
    Table().Cancel();
  } else {
    WriteEditorText();
  }
  TableMoved();
}

void TDBGrid::FocusNextControl(bool forward) {
  const auto takesTab = [this](QWidget* widget) {
    return widget->window() == window() && !isAncestorOf(widget) && widget->isVisible() && widget->isEnabled() &&
           (widget->focusPolicy() & Qt::TabFocus);
  };
  QWidget* next = this;
  do {
    next = forward ? next->nextInFocusChain() : next->previousInFocusChain();
  } while (next != this && !takesTab(next));
  if (next != this) next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
  ShowingErrors([&] {
    if (HandleKey(*event)) {
      event->accept();
    } else if (!Table().Active() && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)) {
      event->ignore();  // nothing to move in: the focus goes on
    } else {
      QTableView::keyPressEvent(event);
    }
  });
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  TTable& table = Table();
  if (!table.Active()) return false;
  QModelIndex target = index;
  if (!target.isValid() && trigger == AnyKeyPressed && table.IsEmpty() && table.State() != dsInsert &&
      table.CanModify()) {
    // Typing into an empty table starts a new record.
    ShowingErrors([&] {
      table.Insert();
      history_->Track();
      TableMoved();
    });
    target = currentIndex();
  }
  if (!target.isValid() || target.row() != CurrentRow() || target.column() != column_) return false;
  return QTableView::edit(target, trigger, event);
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  const bool right = event->button() == Qt::RightButton;
  if ((event->button() != Qt::LeftButton && !right) || !index.isValid()) {
    QTableView::mousePressEvent(event);
    return;
  }
  dragRow_ = -1;
  // A context menu opened inside the selected range works on that range.
  if (!(right && InSelectedRange(index))) {
    ShowingErrors([&] {
      if (!right && (event->modifiers() & Qt::ShiftModifier)) {
        range_.Begin(CurrentRow(), column_);
      } else {
        EndRange();
      }
      MoveToCell(index.row(), index.column());
      // A drag begins only where the press arrived: a refused move is not retried.
      if (!right) {
        dragRow_ = index.row();
        dragColumn_ = index.column();
      }
    });
  }
  event->accept();
}

bool TDBGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched == verticalHeader()->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto& mouse = static_cast<const QMouseEvent&>(*event);
    const int row = verticalHeader()->logicalIndexAt(mouse.position().toPoint());
    if (mouse.button() == Qt::LeftButton && row >= 0 && Table().Active()) {
      ShowingErrors([&] { SelectRows(row, mouse.modifiers() & Qt::ShiftModifier); });
      return true;
    }
  }
  return QTableView::eventFilter(watched, event);
}

void TDBGrid::mouseMoveEvent(QMouseEvent* event) {
  // The view's own dragging would move its cursor past the table.
  if (!(event->buttons() & Qt::LeftButton)) {
    QTableView::mouseMoveEvent(event);
    return;
  }
  event->accept();
  const QModelIndex index = indexAt(event->position().toPoint());
  if (dragRow_ < 0 || !index.isValid() || (index.row() == CurrentRow() && index.column() == column_)) return;
  ShowingErrors([&] {
    range_.Begin(dragRow_, dragColumn_);
    MoveToCell(index.row(), index.column());
  });
}

void TDBGrid::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragRow_ = -1;
  QTableView::mouseReleaseEvent(event);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() != Qt::LeftButton || !index.isValid()) {
    QTableView::mouseDoubleClickEvent(event);
    return;
  }
  ShowingErrors([&] {
    MoveToCell(index.row(), index.column());
    ShowEditor();
  });
  event->accept();
}

void TDBGrid::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  ShowSelection();
}

void TDBGrid::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  ShowSelection();
  ShowingErrors([&] { FocusLeft(event->reason()); });
}

}  // namespace dravlik
