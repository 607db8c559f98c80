#include "indicator_column.h"

#include <QPainter>
#include <QPainterPath>

#include "data_set_model.h"

namespace dravlik {

IndicatorColumn::IndicatorColumn(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
  setSectionResizeMode(QHeaderView::Fixed);
  setSectionsClickable(false);
  setHighlightSections(false);
  setFixedWidth(kWidth);
}

void IndicatorColumn::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  // The style leaves the painter clipped to nothing after a section.
  painter->save();
  QHeaderView::paintSection(painter, rect, logicalIndex);
  painter->restore();
  const QVariant marker = model()->headerData(logicalIndex, Qt::Vertical, DataSetModel::kIndicatorRole);
  if (!marker.isValid()) return;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  const QPen pen(palette().color(QPalette::ButtonText), 1);
  painter->setPen(pen);
  painter->setBrush(palette().color(QPalette::ButtonText));
  const QPointF c = QRectF(rect).center();
  switch (marker.value<DataSetModel::Indicator>()) {
    case DataSetModel::Indicator::Current: {
      QPainterPath arrow;
      arrow.moveTo(c.x() - 2, c.y() - 4);
      arrow.lineTo(c.x() + 2, c.y());
      arrow.lineTo(c.x() - 2, c.y() + 4);
      arrow.closeSubpath();
      painter->drawPath(arrow);
      break;
    }
    case DataSetModel::Indicator::Edit:
      painter->drawLine(QPointF(c.x(), c.y() - 4), QPointF(c.x(), c.y() + 4));
      painter->drawLine(QPointF(c.x() - 2, c.y() - 4), QPointF(c.x() + 2, c.y() - 4));
      painter->drawLine(QPointF(c.x() - 2, c.y() + 4), QPointF(c.x() + 2, c.y() + 4));
      break;
    case DataSetModel::Indicator::Insert:
      painter->drawText(rect, Qt::AlignCenter, QStringLiteral("*"));
      break;
    case DataSetModel::Indicator::None:
      break;
  }
  painter->restore();
}

}  // namespace dravlik
