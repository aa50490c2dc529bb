#include "ui/StatusIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vyk {

namespace {

// A lit ball: a filled circle with a darker rim and a small highlight.
void DrawBall(QPainter& p, const QRectF& r, const QColor& fill) {
  p.setPen(QPen(fill.darker(170), std::max(1.0, r.width() / 12.0)));
  QRadialGradient g(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() * 0.7);
  g.setColorAt(0, fill.lighter(160));
  g.setColorAt(1, fill);
  p.setBrush(g);
  p.drawEllipse(r);
}

void DrawNoAnswer(QPainter& p, const QRectF& r) {
  DrawBall(p, r, QColor(120, 120, 120));
  const qreal inset = r.width() * 0.3;
  const QRectF x = r.adjusted(inset, inset, -inset, -inset);
  p.setPen(
      QPen(QColor(235, 235, 235), std::max(1.2, r.width() / 7.0), Qt::SolidLine, Qt::RoundCap));
  p.drawLine(x.topLeft(), x.bottomRight());
  p.drawLine(x.topRight(), x.bottomLeft());
}

void DrawLock(QPainter& p, const QRectF& r) {
  const qreal w = r.width();
  const QRectF body(r.left(), r.top() + w * 0.42, w, w * 0.58);
  const QRectF shackle(r.left() + w * 0.2, r.top(), w * 0.6, w * 0.75);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(60, 60, 60), std::max(1.2, w / 5.0)));
  p.drawArc(shackle, 0, 180 * 16);
  p.drawLine(QPointF(shackle.left(), shackle.center().y()), QPointF(shackle.left(), body.top()));
  p.drawLine(QPointF(shackle.right(), shackle.center().y()), QPointF(shackle.right(), body.top()));
  p.setPen(QPen(QColor(120, 80, 0), 1));
  p.setBrush(QColor(240, 190, 40));
  p.drawRoundedRect(body, w * 0.12, w * 0.12);
}

void DrawBuddy(QPainter& p, const QRectF& r) {
  const qreal w = r.width();
  p.setPen(QPen(QColor(20, 40, 110), 1));
  p.setBrush(QColor(90, 160, 255));
  QPainterPath body;
  body.moveTo(r.left(), r.bottom());
  body.cubicTo(r.left(), r.top() + w * 0.45, r.right(), r.top() + w * 0.45, r.right(), r.bottom());
  body.closeSubpath();
  p.drawPath(body);
  p.drawEllipse(QRectF(r.left() + w * 0.27, r.top(), w * 0.46, w * 0.46));
}

}  // namespace

int StatusIconSize(int rowHeight) {
  return std::clamp(rowHeight - 2, 8, 16);
}

void DrawStatusIcon(QPainter& painter, StatusIcon icon, const QRect& box) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QRectF r = QRectF(box).adjusted(1, 1, -1, -1);
  const qreal mark = r.width() * 0.62;
  const QRectF corner(r.right() - mark + 1, r.bottom() - mark + 1, mark, mark);
  switch (icon) {
    case StatusIcon::kGoodPing:
      DrawBall(painter, r, QColor(30, 170, 40));
      break;
    case StatusIcon::kMediumPing:
      DrawBall(painter, r, QColor(230, 170, 0));
      break;
    case StatusIcon::kBadPing:
      DrawBall(painter, r, QColor(200, 30, 30));
      break;
    case StatusIcon::kNoAnswer:
      DrawNoAnswer(painter, r);
      break;
    case StatusIcon::kPassword:
      DrawLock(painter, corner);
      break;
    case StatusIcon::kBuddy:
      DrawBuddy(painter, corner);
      break;
  }
  painter.restore();
}

}  // namespace vyk
