#include "ui/widgets/SkinnedDialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>

#include "ui/widgets/DialogTemplate.h"
#include "ui/widgets/SkinnedListCtrl.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

namespace {
constexpr const char* kSkinnedProperty = "vykFlatButton";
constexpr const char* kEdgeProperty = "vykEdgeClass";
constexpr int kMaxButtonText = 149;

// Windows' own style takes a group box title's colour from the system theme
// (black, unreadable on the skin): here it is the palette's text, as elsewhere.
class GroupTitleStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_GroupBox_TextLabelColor && widget)
      return static_cast<int>(widget->palette()
                                  .color(widget->isEnabled() ? QPalette::Active : QPalette::Disabled,
                                         QPalette::WindowText)
                                  .rgba());
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};
}  // namespace

SkinnedDialog::SkinnedDialog(const Settings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setAutoFillBackground(false);
  ApplyColours();
}

void SkinnedDialog::BuildFromTemplate(
    const DialogTemplate& tmpl,
    const std::function<QWidget*(const ControlTemplate&, QWidget*)>& factory) {
  BuildDialogControls(*this, tmpl, factory);
  InitSkin();
}

bool SkinnedDialog::IsSkinnedButton(const QWidget* w) {
  const auto* b = qobject_cast<const QPushButton*>(w);
  return b && !b->isDefault() && !b->isCheckable() && !b->isFlat();
}

void SkinnedDialog::InitSkin() {
  for (QPushButton* b : findChildren<QPushButton*>()) {
    if (!IsSkinnedButton(b) || b->property(kSkinnedProperty).toBool()) continue;
    b->setProperty(kSkinnedProperty, true);
    b->setAutoDefault(false);  // else focus would make it the default button
    b->installEventFilter(this);
  }
  for (QGroupBox* box : findChildren<QGroupBox*>()) {
    if (dynamic_cast<GroupTitleStyle*>(box->style())) continue;
    auto* style = new GroupTitleStyle;
    style->setParent(box);
    box->setStyle(style);
  }
  // Edit fields and lists get an edge of their own (on the skin's background they would
  // not be seen otherwise); ApplyColours writes their rules.
  for (QWidget* w : findChildren<QWidget*>()) {
    if (!w->property(kEdgeProperty).toString().isEmpty() || !w->styleSheet().isEmpty()) continue;
    const char* cls = nullptr;
    if (qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w->parentWidget()))
      cls = "QLineEdit";
    else if (qobject_cast<QPlainTextEdit*>(w))
      cls = "QPlainTextEdit";
    else if (qobject_cast<QListWidget*>(w))
      cls = "QListWidget";
    else if (qobject_cast<SkinnedListCtrl*>(w))
      cls = "vyk--SkinnedListCtrl";
    if (cls) w->setProperty(kEdgeProperty, QLatin1String(cls));
  }
  appliedBg_ = ~settings_.bgColor;  // force
  ApplyColours();
}

void SkinnedDialog::ApplyColours() {
  if (appliedBg_ == settings_.bgColor && appliedText_ == settings_.textColor) return;
  appliedBg_ = settings_.bgColor;
  appliedText_ = settings_.textColor;
  const QColor bg = ToQColor(settings_.bgColor);
  const QColor fg = ToQColor(settings_.textColor);
  QPalette pal = palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::AlternateBase})
      pal.setColor(group, role, bg);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      pal.setColor(group, role, fg);
  }
  // Disabled text stays readable but dimmed against the skin.
  QColor dim = fg;
  dim.setAlpha(150);
  pal.setColor(QPalette::Disabled, QPalette::Text, dim);
  pal.setColor(QPalette::Disabled, QPalette::WindowText, dim);
  setPalette(pal);
  // A style sheet replaces the palette of the widget it is set on, so the edged controls
  // get their colours in their rule. The rule is set on each of them, not on the dialog,
  // so that labels and group boxes keep the palette they inherit.
  for (QWidget* w : findChildren<QWidget*>()) {
    const QString cls = w->property(kEdgeProperty).toString();
    if (cls.isEmpty()) continue;
    w->setStyleSheet(
        QStringLiteral("%1 { border: 1px solid rgb(128, 128, 128); background-color: %2;"
                       " color: %3; } %1:disabled { color: %4; }")
            .arg(cls, bg.name(), fg.name(), dim.name(QColor::HexArgb)));
  }
  // The box of a check box stays white with a black tick, as the system draws it.
  for (QCheckBox* box : findChildren<QCheckBox*>()) {
    QPalette bp = box->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
      bp.setColor(group, QPalette::Base, Qt::white);
      bp.setColor(group, QPalette::Text, Qt::black);
      bp.setColor(group, QPalette::WindowText, fg);
    }
    box->setPalette(bp);
  }
  update();
}

QWidget* SkinnedDialog::Control(int id) const {
  return controls_.value(id, nullptr);
}

void SkinnedDialog::RegisterControl(int id, QWidget* w) {
  if (w) w->setProperty("controlId", id);
  if (id != kUnnamedControl) controls_.insert(id, w);
}

void SkinnedDialog::OnCommand(int id) {
  emit commandIssued(id);
  if (id == kOk || id == kCancel) EndDialog(id);
}

void SkinnedDialog::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier || (event->modifiers() & Qt::KeypadModifier)) {
    if (event->key() == Qt::Key_Escape) {
      OnCommand(kCancel);
      return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      // A default button (or the focused push button) takes Enter as usual.
      for (QPushButton* b : findChildren<QPushButton*>()) {
        if ((b->isDefault() || b->hasFocus()) && b->isVisible() && b->isEnabled()) {
          b->click();
          return;
        }
      }
      OnCommand(kOk);
      return;
    }
  }
  QDialog::keyPressEvent(event);
}

void SkinnedDialog::paintEvent(QPaintEvent* event) {
  ApplyColours();
  QPainter p(this);
  p.fillRect(event->rect(), ToQColor(settings_.bgColor));
}

bool SkinnedDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint) {
    auto* b = qobject_cast<QAbstractButton*>(watched);
    if (b && b->property(kSkinnedProperty).toBool() && IsSkinnedButton(b)) {
      PaintFlatButton(b);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void SkinnedDialog::PaintFlatButton(QAbstractButton* button) {
  ApplyColours();
  QPainter p(button);
  const QRect r = button->rect();
  p.fillRect(r, ToQColor(settings_.bgColor));
  if (button->isEnabled()) {
    // One-pixel edge: light top-left and dark bottom-right when raised, swapped when down.
    const QColor light(255, 255, 255);
    const QColor dark(128, 128, 128);
    const bool down = button->isDown();
    p.setPen(down ? dark : light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(down ? light : dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
  }
  p.setPen(ToQColor(settings_.textColor));
  p.setFont(button->font());
  QString text = button->text().left(kMaxButtonText);
  text.remove(QLatin1Char('&'));
  p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, text);
}

}  // namespace vyk
