// A chart as the bytes of an image file, rendered in memory so that the file
// can be written whole or not at all.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <memory>

class QChart;

namespace dravlik {

enum class ChartFormat { Png, Svg };

// The chart alone on white, laid out at `size`: pixels for PNG, the picture's
// size for SVG. Raises std::runtime_error when the image cannot be encoded.
QByteArray RenderChart(std::unique_ptr<QChart> chart, ChartFormat format, QSize size, const QString& title);

// "png" or "svg".
QString ChartFileSuffix(ChartFormat format);

}  // namespace dravlik
