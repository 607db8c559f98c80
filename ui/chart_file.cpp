#include "chart_file.h"

#include <QBuffer>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <stdexcept>

namespace dravlik {

namespace {

QByteArray RenderPng(QGraphicsView& view) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!view.grab().toImage().save(&buffer, "PNG")) throw std::runtime_error("the PNG image could not be encoded");
  return bytes;
}

// Drawn as vectors, so the picture stays sharp at any size.
QByteArray RenderSvg(QGraphicsView& view, const QString& title) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(view.viewport()->size());
  generator.setViewBox(view.viewport()->rect());
  generator.setTitle(title);
  QPainter painter;
  if (!painter.begin(&generator)) throw std::runtime_error("the SVG image could not be started");
  view.render(&painter, QRectF(), view.viewport()->rect());
  painter.end();
  if (bytes.isEmpty()) throw std::runtime_error("the SVG image came out empty");
  return bytes;
}

}  // namespace

QByteArray RenderChart(QGraphicsView& view, ChartFormat format, const QString& title) {
  return format == ChartFormat::Png ? RenderPng(view) : RenderSvg(view, title);
}

QString ChartFileSuffix(ChartFormat format) {
  return format == ChartFormat::Png ? QStringLiteral("png") : QStringLiteral("svg");
}

}  // namespace dravlik
