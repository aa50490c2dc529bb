#include "ui/widgets/CResizeCtrl.h"

#include <QEvent>
#include <QResizeEvent>
#include <QVariant>
#include <QWidget>

namespace vyk {

CResizeCtrl::CResizeCtrl(QObject* parent) : QObject(parent) {}

CResizeCtrl::~CResizeCtrl() {
  // As the dialog's child we die inside the dialog's destructor: nothing to restore then.
  if (enabled_ && window_ && parent() != window_) SetEnabled(false);
}

bool CResizeCtrl::Create(QWidget* dialog, bool enable, int whole) {
  if (created_ || !dialog) return false;
  created_ = true;
  window_ = dialog;
  layout_.SetWhole(whole);
  minWidth_ = minHeight_ = maxWidth_ = maxHeight_ = -1;
  initiallySizable_ = dialog->minimumSize() != dialog->maximumSize();
  last_ = dialog->size();
  if (enable) SetEnabled(true);
  return true;
}

bool CResizeCtrl::SetEnabled(bool on) {
  if (!window_ || on == enabled_) return false;
  QWidget* w = window_;
  if (on) {
    if (!initiallySizable_) {
      // Qt sizes the client area, so adding the sizing border keeps it as it is.
      w->setMinimumSize(0, 0);
      w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (minWidth_ >= 0 || minHeight_ >= 0)
      w->setMinimumSize(std::max(minWidth_, 0), std::max(minHeight_, 0));
    last_ = w->size();
    w->setProperty(kPropertyName, QVariant::fromValue(static_cast<QObject*>(this)));
    w->installEventFilter(this);
    enabled_ = true;
  } else {
    w->removeEventFilter(this);
    w->setProperty(kPropertyName, QVariant());
    if (!initiallySizable_) w->setFixedSize(w->size());
    enabled_ = false;
  }
  return true;
}

bool CResizeCtrl::AddControl(int controlId, int left, int top, int width, int height) {
  if (!window_) return false;
  for (QWidget* child : window_->findChildren<QWidget*>()) {
    const QVariant id = child->property("controlId");
    if (id.isValid() && id.toInt() == controlId) return AddControl(child, left, top, width, height);
  }
  return false;
}

bool CResizeCtrl::AddControl(QWidget* control, int left, int top, int width, int height) {
  if (!window_ || !control) return false;
  if (!layout_.Add({left, top, width, height})) return false;
  controls_.emplace_back(control);
  return true;
}

void CResizeCtrl::SetMinimumTrackingSize(int width, int height) {
  minWidth_ = width;
  minHeight_ = height;
  if (window_ && enabled_) window_->setMinimumSize(std::max(width, 0), std::max(height, 0));
}

void CResizeCtrl::SetMinimumTrackingSize() {
  if (window_) SetMinimumTrackingSize(window_->width(), window_->height());
}

void CResizeCtrl::SetMaximumTrackingSize(int width, int height) {
  maxWidth_ = width;
  maxHeight_ = height;
  if (window_ && enabled_)
    window_->setMaximumSize(width < 0 ? QWIDGETSIZE_MAX : width,
                            height < 0 ? QWIDGETSIZE_MAX : height);
}

bool CResizeCtrl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Resize &&
      window_->property(kPropertyName).value<QObject*>() == this) {
    const QSize s = static_cast<QResizeEvent*>(event)->size();
    Layout(s.width(), s.height());
  }
  return QObject::eventFilter(watched, event);
}

void CResizeCtrl::Layout(int cx, int cy) {
  if (busy_ || controls_.empty() || QSize(cx, cy) == last_) return;
  busy_ = true;
  const int dx = cx - last_.width();
  const int dy = cy - last_.height();
  std::vector<ResizeLayout::Rect> rects(controls_.size());
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (!controls_[i]) continue;
    const QRect g = controls_[i]->geometry();
    rects[i] = {g.x(), g.y(), g.width(), g.height()};
  }
  std::vector<bool> changed;
  layout_.Apply(dx, dy, rects, changed);
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i] && changed[i])
      controls_[i]->setGeometry(rects[i].x, rects[i].y, rects[i].w, rects[i].h);
  }
  last_ = QSize(cx, cy);
  busy_ = false;
}

}  // namespace vyk
