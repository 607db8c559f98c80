#include "growth_chart_view.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>

#include "curve_tips.h"

namespace dravlik {

namespace {

// The toolkit hides a tip after a few seconds; this one goes when the mouse
// leaves the curve.
constexpr int kTipMilliseconds = 24 * 60 * 60 * 1000;

}  // namespace

GrowthChartView::GrowthChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
  setRenderHint(QPainter::Antialiasing);
}

void GrowthChartView::mouseMoveEvent(QMouseEvent* event) {
  QChartView::mouseMoveEvent(event);  // the scene's hover events tell which curve is under the mouse
  ShowTip(event->position().toPoint(), event->globalPosition().toPoint());
}

bool GrowthChartView::viewportEvent(QEvent* event) {
  // The scene would hide the tip: its items have no tooltip of their own.
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    if (ShowTip(help->pos(), help->globalPos())) return true;
  }
  return QChartView::viewportEvent(event);
}

bool GrowthChartView::ShowTip(QPoint at, QPoint globalAt) {
  const CurveTips* tips = chart() ? chart()->findChild<CurveTips*>() : nullptr;
  const QString text = tips ? tips->TextAt(chart()->mapFromScene(mapToScene(at))) : QString();
  if (text.isEmpty()) {
    if (tipShown_) QToolTip::hideText();
    tipShown_ = false;
    return false;
  }
  QToolTip::showText(globalAt, text, viewport(), QRect(), kTipMilliseconds);
  tipShown_ = true;
  return true;
}

}  // namespace dravlik
