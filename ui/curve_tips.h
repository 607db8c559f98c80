// The tooltip text of a growth chart: which of its curves the mouse is over,
// and the values of that curve's point nearest the mouse.
#pragma once

#include <QObject>
#include <QPointF>
#include <QString>

#include "growth_chart.h"

class QChart;
class QXYSeries;

namespace dravlik {

class CurveTips : public QObject {
  Q_OBJECT
 public:
  // Owned by the chart, whose tips it gives.
  CurveTips(const ChartQuantity& x, const ChartQuantity& y, QChart* chart);

  // Follows the mouse entering and leaving the series, named `label` in the tip.
  void Track(QXYSeries* series, const QString& label);

  // For the mouse at `position` in the chart's coordinates; empty while it is
  // over no curve.
  QString TextAt(QPointF position) const;

 private:
  QChart* chart_;
  ChartQuantity x_;
  ChartQuantity y_;
  QXYSeries* hovered_ = nullptr;
  QString label_;
};

}  // namespace dravlik
