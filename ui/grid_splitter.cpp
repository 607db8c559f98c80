#include "grid_splitter.h"

#include <QMouseEvent>

namespace dravlik {

GridSplitter::GridSplitter(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("GridSplitter"));
  setCursor(Qt::SplitHCursor);
}

void GridSplitter::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  grip_ = qRound(event->position().x()) - width() / 2;
  dragging_ = true;
  event->accept();
}

void GridSplitter::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  emit moved(mapToParent(event->position().toPoint()).x() - grip_);
  event->accept();
}

void GridSplitter::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QWidget::mouseReleaseEvent(event);
}

}  // namespace dravlik
