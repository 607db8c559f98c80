// The narrow column at a grid's left that marks the current record: an arrow
// while browsing, an I-beam while it is edited, an asterisk for a new record.
#pragma once

#include <QHeaderView>

namespace dravlik {

class IndicatorColumn : public QHeaderView {
  Q_OBJECT
 public:
  static constexpr int kWidth = 12;
  explicit IndicatorColumn(QWidget* parent = nullptr);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

}  // namespace dravlik
