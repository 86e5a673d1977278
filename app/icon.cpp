#include "app/icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace lumicar {

const std::vector<int>& ViewerIconSizes() {
  static const std::vector<int> sizes = {16, 22, 24, 32, 48, 64, 128, 256};
  return sizes;
}

QImage PaintViewerIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // Drawn on a 256 grid.
  p.scale(size / 256.0, size / 256.0);
  p.setPen(Qt::NoPen);

  // Tile.
  p.setBrush(QColor(0x25, 0x63, 0x8a));
  p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

  // The sheet under the camera, with lines of text.
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(40, 160, 150, 68), 6, 6);
  if (size >= 32) {
    p.setBrush(QColor(0xa8, 0xb8, 0xc4));
    for (int i = 0; i < 3; ++i) p.drawRect(QRectF(58, 176 + i * 16, i == 2 ? 70 : 112, 7));
  }

  // Light from the lens onto the sheet.
  QPainterPath beam;
  beam.moveTo(92, 104);
  beam.lineTo(116, 104);
  beam.lineTo(176, 160);
  beam.lineTo(40, 160);
  beam.closeSubpath();
  p.setBrush(QColor(255, 244, 190, 110));
  p.drawPath(beam);

  // Stand: foot, pole and arm.
  p.setBrush(QColor(0xdd, 0xe3, 0xe8));
  p.drawRoundedRect(QRectF(188, 206, 44, 20), 6, 6);
  p.drawRect(QRectF(202, 58, 16, 156));
  p.drawRoundedRect(QRectF(96, 50, 122, 16), 8, 8);

  // Camera head with its lens looking down.
  p.setBrush(QColor(0x22, 0x2b, 0x33));
  p.drawRoundedRect(QRectF(70, 62, 70, 42), 10, 10);
  p.setBrush(QColor(0x7f, 0xd3, 0xff));
  p.drawEllipse(QPointF(104, 100), 15, 9);
  return image;
}

QIcon ViewerIcon() {
  QIcon icon;
  for (int size : ViewerIconSizes()) icon.addPixmap(QPixmap::fromImage(PaintViewerIcon(size)));
  return icon;
}

}  // namespace lumicar
