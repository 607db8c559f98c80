// The handle between the two grids: dragging it moves their boundary.
#pragma once

#include <QWidget>

namespace dravlik {

class GridSplitter : public QWidget {
  Q_OBJECT
 public:
  explicit GridSplitter(QWidget* parent);

 signals:
  // The user dragged the boundary to `x`, in the parent's coordinates.
  void moved(int x);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Where in the handle the drag took hold, so the boundary does not jump.
  int grip_ = 0;
  bool dragging_ = false;
};

}  // namespace dravlik
