#include "ui/BusyScope.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QPointer>
#include <QWidget>

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

class InputEater : public QObject {
 public:
  explicit InputEater(QWidget* window) : window_(window) {}
  bool eventFilter(QObject* target, QEvent* event) override {
    if (!IsUserInput(event->type()) || !target->isWidgetType()) return false;
    if (static_cast<QWidget*>(target)->window() != window_) return false;
    event->ignore();
    return true;
  }

 private:
  QPointer<QWidget> window_;
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

}  // namespace vyk
