// A chart as the bytes of an image file, rendered in memory so that the file
// can be written whole or not at all.
#pragma once

#include <QByteArray>
#include <QString>

class QGraphicsView;

namespace dravlik {

enum class ChartFormat { Png, Svg };

// What the view shows, at its size. Raises std::runtime_error when the image
// cannot be encoded.
QByteArray RenderChart(QGraphicsView& view, ChartFormat format, const QString& title);

// "png" or "svg".
QString ChartFileSuffix(ChartFormat format);

}  // namespace dravlik
