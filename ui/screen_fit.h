// Top-level windows kept within the screen's available area, which a large
// scale factor shrinks in logical pixels, so that no button ends up off it.
#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace dravlik {

// The available area of the screen `window` (or its parent) is on.
QRect AvailableArea(const QWidget& window);

// Sizes `window` to `preferred`, but at most `available`, and moves it inside
// `available`: over its parent's centre where it has one.
void FitWindow(QWidget& window, QSize preferred, const QRect& available);

}  // namespace dravlik
