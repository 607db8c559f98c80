// A view of a growth chart whose tooltip stays while the mouse rests on a
// curve and follows it along the curve.
#pragma once

#include <QChartView>

namespace dravlik {

class GrowthChartView : public QChartView {
  Q_OBJECT
 public:
  explicit GrowthChartView(QChart* chart, QWidget* parent = nullptr);

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  // True where the mouse is over a curve and its tip is shown.
  bool ShowTip(QPoint at, QPoint globalAt);

  bool tipShown_ = false;
};

}  // namespace dravlik
