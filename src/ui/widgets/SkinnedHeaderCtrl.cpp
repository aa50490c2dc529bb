#include "ui/widgets/SkinnedHeaderCtrl.h"

#include <QPaintEvent>
#include <QPainter>

#include "ui/widgets/TextCrossing.h"

namespace vyk {

namespace {
constexpr int kMaxTitle = 256;
}

SkinnedHeaderCtrl::SkinnedHeaderCtrl(const Settings& settings, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), settings_(settings) {
  setSectionsClickable(true);
  setStretchLastSection(false);
  setHighlightSections(false);
  setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void SkinnedHeaderCtrl::SetSortColumn(int column) {
  if (sortColumn_ == column) return;
  sortColumn_ = column;
  viewport()->update();
}

QSize SkinnedHeaderCtrl::sizeHint() const {
  QSize s = QHeaderView::sizeHint();
  s.setHeight(fontMetrics().height() + 6);
  return s;
}

void SkinnedHeaderCtrl::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  p.fillRect(event->rect(), ToQColor(settings_.bgColor));
  for (int visual = 0; visual < count(); ++visual) {
    const int logical = logicalIndex(visual);
    if (isSectionHidden(logical)) continue;
    const QRect r(sectionViewportPosition(logical), 0, sectionSize(logical), viewport()->height());
    if (r.intersects(event->rect())) paintSection(&p, r, logical);
  }
}

void SkinnedHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  painter->save();
  painter->fillRect(rect, ToQColor(settings_.bgColor));
  // Raised inner edge: light top and left, shadow bottom and right.
  painter->setPen(QColor(255, 255, 255));
  painter->drawLine(rect.topLeft(), rect.topRight());
  painter->drawLine(rect.topLeft(), rect.bottomLeft());
  painter->setPen(QColor(128, 128, 128));
  painter->drawLine(rect.bottomLeft(), rect.bottomRight());
  painter->drawLine(rect.topRight(), rect.bottomRight());

  const QString title =
      model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
              : QString();
  const Color colour =
      logicalIndex == sortColumn_ ? settings_.selectedTextColor : settings_.textColor;
  painter->setPen(ToQColor(colour));
  painter->setFont(font());
  painter->drawText(rect.adjusted(3, 1, -3, -1),
                    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title.left(kMaxTitle));
  painter->restore();
}

}  // namespace vyk
