#include "ui/widgets/ColourStatic.h"

#include <QPainter>

#include "ui/widgets/ColourTextPainter.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

ColourStatic::ColourStatic(const Settings& settings, QWidget* parent)
    : QFrame(parent), settings_(settings) {}

void ColourStatic::SetText(const std::string& text) {
  text_ = text;
  if (!text.empty()) kept_ = text;
  setAccessibleName(FromGameText(text));
  update();
}

void ColourStatic::Clear() {
  text_.clear();
  kept_.clear();
  update();
}

void ColourStatic::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ToQColor(settings_.bgColor));
  drawFrame(&p);
  p.setFont(font());
  QRect r = contentsRect();
  DrawColourText(p, r, text_.empty() ? kept_ : text_);
}

}  // namespace vyk
