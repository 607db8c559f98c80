#include "growth_chart.h"

#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "curve_tips.h"

namespace dravlik {

namespace {

// From blue for the lowest site index to red for the highest.
QColor CurveColour(std::size_t index, std::size_t count) {
  const double share = count > 1 ? double(index) / double(count - 1) : 0.0;
  return QColor::fromHsv(int(std::lround(240 * (1 - share))), 220, 200);
}

QValueAxis* MakeAxis(const ChartQuantity& quantity, double lowest, double highest) {
  auto* axis = new QValueAxis;
  axis->setTitleText(AxisTitle(quantity));
  axis->setRange(lowest, highest > lowest ? highest : lowest + 1);
  axis->applyNiceNumbers();
  return axis;
}

class ChartBuilder {
 public:
  explicit ChartBuilder(const GrowthChartContent& content)
      : content_(content), chart_(new QChart), tips_(new CurveTips(content.x, content.y, chart_)) {}

  QChart* Build() {
    for (std::size_t i = 0; i < content_.curves.size(); ++i) {
      AddCurve(content_.curves[i], CurveColour(i, content_.curves.size()));
    }
    if (anyYoungStand_ && !content_.youngStandLabel.isEmpty()) AddYoungStandLegendEntry();
    if (content_.marked) AddMarkedPoint(*content_.marked, Qt::black, QScatterSeries::MarkerShapeCircle);
    if (content_.stand) AddMarkedPoint(*content_.stand, Qt::darkRed, QScatterSeries::MarkerShapeRectangle);
    AttachAxes();
    chart_->setTitle(content_.title);
    chart_->setLocalizeNumbers(true);
    chart_->legend()->setAlignment(Qt::AlignRight);
    return chart_;
  }

 private:
  void AddCurve(const LabelledCurve& curve, const QColor& colour) {
    bool first = true;
    for (const CurveSegment& segment : curve.curve.segments) {
      auto* series = new QLineSeries;
      series->setName(curve.label);
      QPen pen(colour, 2);
      if (segment.youngStand) pen.setStyle(Qt::DashLine);
      series->setPen(pen);
      for (const QPointF& point : segment.points) {
        series->append(point);
        Extend(point);
      }
      anyYoungStand_ = anyYoungStand_ || segment.youngStand;
      Add(series, curve.label, first);
      first = false;
    }
  }

  void AddYoungStandLegendEntry() {
    auto* series = new QLineSeries;
    series->setName(content_.youngStandLabel);
    series->setPen(QPen(Qt::darkGray, 2, Qt::DashLine));
    chart_->addSeries(series);
    series_.push_back(series);
  }

  void AddMarkedPoint(const MarkedPoint& marked, const QColor& colour, QScatterSeries::MarkerShape shape) {
    auto* series = new QScatterSeries;
    series->setName(marked.label);
    series->setMarkerSize(11);
    series->setMarkerShape(shape);
    series->setColor(colour);
    series->setBorderColor(Qt::white);
    series->append(marked.point);
    Extend(marked.point);
    Add(series, marked.label, true);
  }

  void Add(QXYSeries* series, const QString& label, bool inLegend) {
    chart_->addSeries(series);
    series_.push_back(series);
    tips_->Track(series, label);
    if (!inLegend) {
      for (QLegendMarker* marker : chart_->legend()->markers(series)) marker->setVisible(false);
    }
  }

  void Extend(QPointF point) {
    lowest_ = QPointF(std::min(lowest_.x(), point.x()), std::min(lowest_.y(), point.y()));
    highest_ = QPointF(std::max(highest_.x(), point.x()), std::max(highest_.y(), point.y()));
  }

  void AttachAxes() {
    if (lowest_.x() > highest_.x()) lowest_ = highest_ = QPointF(0, 0);  // nothing to draw
    QValueAxis* x = MakeAxis(content_.x, std::min(0.0, lowest_.x()), highest_.x());
    QValueAxis* y = MakeAxis(content_.y, std::min(0.0, lowest_.y()), highest_.y());
    chart_->addAxis(x, Qt::AlignBottom);
    chart_->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : series_) {
      series->attachAxis(x);
      series->attachAxis(y);
    }
  }

  const GrowthChartContent& content_;
  QChart* chart_;
  CurveTips* tips_;
  std::vector<QAbstractSeries*> series_;
  bool anyYoungStand_ = false;
  QPointF lowest_{INFINITY, INFINITY};
  QPointF highest_{-INFINITY, -INFINITY};
};

}  // namespace

QString AxisTitle(const ChartQuantity& quantity) {
  return QStringLiteral("%1 (%2)").arg(quantity.name, quantity.unit);
}

QString ExactNumber(double value) { return QLocale().toString(value, 'g', QLocale::FloatingPointShortest); }

QChart* MakeGrowthChart(const GrowthChartContent& content) { return ChartBuilder(content).Build(); }

}  // namespace dravlik
