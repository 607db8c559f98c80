#include "curve_tips.h"

#include <QChart>
#include <QXYSeries>
#include <algorithm>
#include <cmath>

namespace dravlik {

namespace {

QPointF NearestPoint(const QList<QPointF>& points, QPointF to) {
  return *std::min_element(points.begin(), points.end(), [&](QPointF a, QPointF b) {
    return std::abs(a.x() - to.x()) < std::abs(b.x() - to.x());
  });
}

}  // namespace

CurveTips::CurveTips(const ChartQuantity& x, const ChartQuantity& y, QChart* chart)
    : QObject(chart), chart_(chart), x_(x), y_(y) {}

void CurveTips::Track(QXYSeries* series, const QString& label) {
  connect(series, &QXYSeries::hovered, this, [this, series, label](const QPointF&, bool entered) {
    if (entered) {
      hovered_ = series;
      label_ = label;
    } else if (hovered_ == series) {
      hovered_ = nullptr;
    }
  });
  // A chart may drop a series while the mouse is on it.
  connect(series, &QObject::destroyed, this, [this, series] {
    if (hovered_ == series) hovered_ = nullptr;
  });
}

QString CurveTips::TextAt(QPointF position) const {
  if (!hovered_ || hovered_->count() == 0) return {};
  const QPointF point = NearestPoint(hovered_->points(), chart_->mapToValue(position, hovered_));
  return QStringLiteral("%1\n%2: %3\n%4: %5")
      .arg(label_, x_.name, x_.valueText(point.x()), y_.name, y_.valueText(point.y()));
}

}  // namespace dravlik
