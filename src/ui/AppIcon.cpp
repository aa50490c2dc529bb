#include "ui/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace vyk {

namespace {

QPixmap Draw(int side) {
  QPixmap pixmap(side, side);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, true);
  const qreal s = side;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(28, 28, 32));
  p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
  // A sight over a lit ball: a server found and in range.
  QRadialGradient g(QPointF(s * 0.42, s * 0.42), s * 0.4);
  g.setColorAt(0, QColor(120, 230, 120));
  g.setColorAt(1, QColor(20, 140, 30));
  p.setBrush(g);
  p.drawEllipse(QRectF(s * 0.24, s * 0.24, s * 0.52, s * 0.52));
  p.setPen(QPen(QColor(220, 60, 40), std::max(1.0, s / 14)));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(s * 0.14, s * 0.14, s * 0.72, s * 0.72));
  p.drawLine(QPointF(s * 0.5, s * 0.04), QPointF(s * 0.5, s * 0.3));
  p.drawLine(QPointF(s * 0.5, s * 0.7), QPointF(s * 0.5, s * 0.96));
  p.drawLine(QPointF(s * 0.04, s * 0.5), QPointF(s * 0.3, s * 0.5));
  p.drawLine(QPointF(s * 0.7, s * 0.5), QPointF(s * 0.96, s * 0.5));
  return pixmap;
}

}  // namespace

QIcon AppIcon() {
  QIcon icon;
  for (int side : {16, 24, 32, 48, 64, 128}) icon.addPixmap(Draw(side));
  return icon;
}

}  // namespace vyk
