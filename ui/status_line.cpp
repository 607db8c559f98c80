#include "status_line.h"

#include <QItemSelectionModel>
#include <exception>

#include "data_set_model.h"
#include "data_source.h"
#include "db_grid.h"
#include "table.h"

namespace dravlik {

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("StatusLine"));
  setTextFormat(Qt::PlainText);
}

void StatusLine::Follow(TDBGrid& grid) {
  if (grid_ == &grid) return;
  for (const QMetaObject::Connection& connection : connections_) disconnect(connection);
  grid_ = &grid;
  connections_ = {
      connect(&grid.Model(), &DataSetModel::refreshed, this, &StatusLine::Update),
      connect(&grid.Model(), &QAbstractItemModel::modelReset, this, &StatusLine::Update),
      connect(grid.selectionModel(), &QItemSelectionModel::selectionChanged, this, &StatusLine::Update),
      connect(grid.selectionModel(), &QItemSelectionModel::currentChanged, this, &StatusLine::Update),
  };
  Update();
}

void StatusLine::Update() {
  if (!grid_ || !grid_->DataSource().DataSet().Active()) {
    clear();
    return;
  }
  const TTable& table = grid_->DataSource().DataSet();
  const QString row = tr("Row %1 of %2").arg(table.CurrentRow() + 1).arg(table.RowCount());
  QString summary;
  // A row the engine cannot read is the grid's to report, once, not the
  // status line's at every move.
  try {
    summary = SelectionSummary();
  } catch (const std::exception&) {
  }
  setText(summary.isEmpty() ? row : row + QStringLiteral("    ") + summary);
}

QString StatusLine::SelectionSummary() const {
  const std::optional<CellRange> range = grid_->SelectedRange();
  if (!range) return QString();
  TTable& table = grid_->DataSource().DataSet();
  int count = 0;
  double sum = 0;
  for (int row = range->top; row <= range->bottom; ++row) {
    for (int column = range->left; column <= range->right; ++column) {
      const FieldValue value = table.RowValue(row, column);
      if (const auto* number = std::get_if<double>(&value)) {
        ++count;
        sum += *number;
      }
    }
  }
  if (count == 0) return QString();
  return tr("Count: %1  Sum: %2  Average: %3").arg(count).arg(GridText(sum)).arg(GridText(sum / count));
}

}  // namespace dravlik
