#include "ui/widgets/ColourTextPainter.h"

#include <QFontMetrics>
#include <QPainter>

#include "core/ColourCodes.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

void DrawColourText(QPainter& painter, QRect& rect, const std::string& text) {
  const QFontMetrics fm(painter.font());
  const ColourTextLayout layout = LayoutColourText(
      text, rect.left(), rect.top(), rect.height(),
      [&fm](unsigned char ch) { return fm.horizontalAdvance(QLatin1Char(static_cast<char>(ch))); });

  painter.save();
  painter.setClipRect(rect, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  const int ascent = fm.ascent();
  for (const ColourTextOp& op : layout.ops) {
    if (op.kind == ColourTextOp::Kind::Dot) {
      painter.setPen(QPen(Qt::black));
      painter.setBrush(ToQColor(op.colour));
      painter.drawEllipse(QRect(op.x, op.y, op.size, op.size));
      continue;
    }
    painter.setPen(ToQColor(op.colour));
    painter.drawText(QPoint(op.x, op.y + ascent), QString(QLatin1Char(static_cast<char>(op.ch))));
  }
  painter.restore();
  rect.setLeft(layout.left);
}

}  // namespace vyk
