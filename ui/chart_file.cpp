#include "chart_file.h"

#include <QBuffer>
#include <QChart>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <stdexcept>

namespace dravlik {

namespace {

// A file has no window around it: none of the screen chart's frame, shadow or
// rounded corners, and white where the window's colour would show.
void LayOutForFile(QChart& chart, QSize size) {
  chart.setBackgroundBrush(Qt::white);
  chart.setBackgroundPen(Qt::NoPen);
  chart.setBackgroundRoundness(0);
  chart.setDropShadowEnabled(false);
  chart.setPlotAreaBackgroundVisible(false);
  chart.setGeometry(QRectF(QPointF(0, 0), size));
  if (chart.layout()) chart.layout()->activate();
}

void Paint(QGraphicsScene& scene, QPaintDevice& device, QSize size) {
  QPainter painter;
  if (!painter.begin(&device)) throw std::runtime_error("the image could not be started");
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF area(QPointF(0, 0), size);
  painter.fillRect(area, Qt::white);
  scene.render(&painter, area, area);
  painter.end();
}

QByteArray RenderPng(QGraphicsScene& scene, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) throw std::runtime_error("there is no memory for an image of that size");
  Paint(scene, image, size);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) throw std::runtime_error("the PNG image could not be encoded");
  return bytes;
}

// Drawn as vectors, so the picture stays sharp at any size.
QByteArray RenderSvg(QGraphicsScene& scene, QSize size, const QString& title) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(size);
  generator.setViewBox(QRect(QPoint(0, 0), size));
  generator.setTitle(title);
  Paint(scene, generator, size);
  if (bytes.isEmpty()) throw std::runtime_error("the SVG image came out empty");
  return bytes;
}

}  // namespace

QByteArray RenderChart(std::unique_ptr<QChart> chart, ChartFormat format, QSize size, const QString& title) {
  if (size.isEmpty()) throw std::runtime_error("the image has no size");
  QGraphicsScene scene;
  QChart* laidOut = chart.release();
  scene.addItem(laidOut);  // the scene deletes it
  LayOutForFile(*laidOut, size);
  return format == ChartFormat::Png ? RenderPng(scene, size) : RenderSvg(scene, size, title);
}

QString ChartFileSuffix(ChartFormat format) {
  return format == ChartFormat::Png ? QStringLiteral("png") : QStringLiteral("svg");
}

}  // namespace dravlik
