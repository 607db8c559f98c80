// A line under the grids that tells where the user is: the current row and
// the row count of one grid, and for a selected range its numbers' count, sum
// and average, as a spreadsheet does.
#pragma once

#include <QLabel>
#include <QPointer>

namespace dravlik {

class TDBGrid;

class StatusLine : public QLabel {
  Q_OBJECT
 public:
  explicit StatusLine(QWidget* parent = nullptr);

  // Reports on `grid` from now on.
  void Follow(TDBGrid& grid);
  TDBGrid* Grid() const { return grid_; }

 private:
  void Update();
  QString SelectionSummary() const;

  QPointer<TDBGrid> grid_;
  QList<QMetaObject::Connection> connections_;
};

}  // namespace dravlik
