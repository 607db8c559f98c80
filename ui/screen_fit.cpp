#include "screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace dravlik {

QRect AvailableArea(const QWidget& window) {
  const QWidget* near = window.parentWidget() ? window.parentWidget() : &window;
  QScreen* screen = near->screen() ? near->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

void FitWindow(QWidget& window, QSize preferred, const QRect& available) {
  if (available.isEmpty()) {
    window.resize(preferred);
    return;
  }
  // The window manager's frame counts too; until it is there, the style's
  // sub-window title bar and borders stand in for it.
  QSize frame = window.frameGeometry().size() - window.geometry().size();
  if (frame.isNull()) {
    const int border = window.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    frame = QSize(2 * border, 2 * border + window.style()->pixelMetric(QStyle::PM_TitleBarHeight));
  }
  const QSize size = preferred.boundedTo(available.size() - frame).expandedTo(window.minimumSizeHint());
  window.resize(size);
  QRect placed(window.pos(), size + frame);
  if (const QWidget* parent = window.parentWidget()) placed.moveCenter(parent->window()->frameGeometry().center());
  placed.moveLeft(std::max(available.left(), std::min(placed.left(), available.right() + 1 - placed.width())));
  placed.moveTop(std::max(available.top(), std::min(placed.top(), available.bottom() + 1 - placed.height())));
  window.move(placed.topLeft());
}

}  // namespace dravlik
