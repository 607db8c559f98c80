// A chart of growth curves: one colour per curve with its label in the legend,
// young-stand segments dashed, the current row and a measured stand as marked
// points, and a tooltip with the values of the point under the mouse.
#pragma once

#include <QChart>
#include <QPointF>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "growth_curve_series.h"

namespace dravlik {

struct ChartQuantity {
  QString name;  // "Age"
  QString unit;  // "years", as the axis is titled
  // "73 years", "33.2 m": at the tables' precision, in the user's locale.
  std::function<QString(double)> valueText;
};

struct LabelledCurve {
  QString label;  // "Site index 28"
  Curve curve;
};

struct MarkedPoint {
  QString label;  // "Current row"
  QPointF point;
};

struct GrowthChartContent {
  QString title;
  ChartQuantity x;
  ChartQuantity y;
  std::vector<LabelledCurve> curves;
  std::optional<MarkedPoint> marked;
  QString youngStandLabel;  // the legend entry of the dashed segments, where there are any
  std::optional<MarkedPoint> stand = {};  // measured, so drawn apart from the row on its curve
};

// The caller owns the chart. A GrowthChartView shows its tooltips.
QChart* MakeGrowthChart(const GrowthChartContent& content);

// "Name (unit)", as the axes are titled.
QString AxisTitle(const ChartQuantity& quantity);

// A value as the user reads it: the locale's separator, every digit the
// double needs to be read back exactly.
QString ExactNumber(double value);

}  // namespace dravlik
