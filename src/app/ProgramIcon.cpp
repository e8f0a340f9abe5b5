#include "app/ProgramIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor TileTop(0x50, 0x41, 0xA8);
const QColor TileBottom(0x28, 0x1E, 0x6A);
const QColor Pulse(0x70, 0xA4, 0xB2);
const QColor Saw(0xF0, 0xE0, 0x70);

// The waves in a 16-unit square; the painter scales them to the icon's size.
QPainterPath PulseWave() {
  QPainterPath wave(QPointF(2.5, 7.5));
  wave.lineTo(2.5, 3.5);
  wave.lineTo(6.0, 3.5);
  wave.lineTo(6.0, 7.5);
  wave.lineTo(9.5, 7.5);
  wave.lineTo(9.5, 3.5);
  wave.lineTo(13.5, 3.5);
  return wave;
}

QPainterPath SawWave() {
  QPainterPath wave(QPointF(2.5, 13.0));
  wave.lineTo(8.0, 9.5);
  wave.lineTo(8.0, 13.0);
  wave.lineTo(13.5, 9.5);
  wave.lineTo(13.5, 13.0);
  return wave;
}

}  // namespace

QImage ProgramIconImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 16.0, size / 16.0);
  QLinearGradient tile(0, 0, 0, 16);
  tile.setColorAt(0, TileTop);
  tile.setColorAt(1, TileBottom);
  painter.setPen(Qt::NoPen);
  painter.setBrush(tile);
  painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
  // Small icons get relatively thicker strokes so that the waves stay visible.
  const double stroke = size <= 24 ? 1.6 : 1.2;
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Pulse, stroke, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.drawPath(PulseWave());
  painter.setPen(QPen(Saw, stroke, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.drawPath(SawWave());
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : ProgramIconSizes) icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
  return icon;
}
