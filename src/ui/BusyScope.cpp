#include "ui/BusyScope.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

namespace vyk {

namespace {

int depth = 0;

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

// A list takes a double-click as a gesture of its own (open, connect), not as two clicks.
bool TakesDoubleClicks(QWidget* widget) {
  const auto* view = qobject_cast<QAbstractItemView*>(widget->parentWidget());
  return view && view->viewport() == widget;
}

class InputEater : public QObject {
 public:
  explicit InputEater(QWidget* window) : window_(window) {}

  bool eventFilter(QObject* target, QEvent* event) override {
    if (!IsUserInput(event->type()) || !target->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(target);
    if (widget->window() != window_) return false;
    Keep(widget, event);
    event->ignore();
    return true;
  }

  // Hands the kept events to their widgets once the command has returned.
  void Replay() {
    for (Kept& k : kept_)
      if (k.target) QCoreApplication::postEvent(k.target, k.event.release());
    kept_.clear();
  }

 private:
  struct Kept {
    QPointer<QWidget> target;
    std::unique_ptr<QEvent> event;
  };

  // The first click of a double-click may have started the command: its second half,
  // when no other press came in between, still belongs to the user.
  void Keep(QWidget* widget, QEvent* event) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        pressSeen_ = true;
        return;
      case QEvent::MouseButtonDblClick:
        if (pressSeen_ || !TakesDoubleClicks(widget)) return;
        pressSeen_ = true;  // one gesture at most
        finishing_ = static_cast<QMouseEvent*>(event)->button();
        break;
      case QEvent::MouseButtonRelease:
        if (finishing_ == Qt::NoButton || static_cast<QMouseEvent*>(event)->button() != finishing_)
          return;
        finishing_ = Qt::NoButton;
        break;
      default:
        return;
    }
    kept_.push_back({widget, std::unique_ptr<QEvent>(event->clone())});
  }

  QPointer<QWidget> window_;
  bool pressSeen_ = false;
  Qt::MouseButton finishing_ = Qt::NoButton;
  std::vector<Kept> kept_;
};

InputEater* eater = nullptr;

}  // namespace

BusyScope::BusyScope(QWidget* window, Qt::CursorShape cursor) {
  if (depth++ > 0 || !qApp) return;
  eater = new InputEater(window ? window->window() : nullptr);
  qApp->installEventFilter(eater);
  QApplication::setOverrideCursor(QCursor(cursor));
}

BusyScope::~BusyScope() {
  if (--depth > 0 || !eater) return;
  // Input that arrived meanwhile is delivered now, into the filter, and so dropped.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  qApp->removeEventFilter(eater);
  eater->Replay();
  delete eater;
  eater = nullptr;
  QApplication::restoreOverrideCursor();
}

bool BusyScope::Active() {
  return depth > 0;
}

void BusyScope::KeepPainted() {
  if (!qApp) return;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void BusyScope::SetCursorShape(Qt::CursorShape cursor) {
  if (depth > 0 && eater) QApplication::changeOverrideCursor(QCursor(cursor));
}

ArrowCursor::ArrowCursor() : busy_(BusyScope::Active()) {
  if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
}

ArrowCursor::~ArrowCursor() {
  if (busy_) QApplication::restoreOverrideCursor();
}

}  // namespace vyk
