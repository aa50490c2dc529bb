#include "ui/widgets/SplashWindow.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QTimerEvent>
#include <QWindow>

#include "ui/widgets/Resources.h"

namespace vyk {

namespace {
bool gSplashEnabled = false;
SplashWindow* gSplash = nullptr;
}  // namespace

void EnableSplash(bool on) {
  gSplashEnabled = on;
}
bool SplashEnabled() {
  return gSplashEnabled;
}

SplashWindow* SplashWindow::Instance() {
  return gSplash;
}

SplashWindow::SplashWindow(const QPixmap& picture, QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(picture),
      owner_(owner) {
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(picture_.size() / picture_.devicePixelRatio());
  gSplash = this;
  // Centre over the owner when it is visible, otherwise on the screen.
  QRect area;
  if (owner_ && owner_->isVisible()) {
    area = owner_->frameGeometry();
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isValid()) move(area.center() - rect().center());
  timerId_ = startTimer(kShowMs);
}

SplashWindow::~SplashWindow() {
  if (gSplash == this) gSplash = nullptr;
}

void SplashWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(0, 0, picture_);
}

void SplashWindow::mousePressEvent(QMouseEvent* event) {
  event->accept();
}
void SplashWindow::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
}
void SplashWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
}

void SplashWindow::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timerId_) return;
  killTimer(timerId_);
  timerId_ = 0;
  QWidget* owner = owner_;
  close();  // deletes this
  if (owner) owner->repaint();
}

bool ShowSplash(QWidget* owner, const QString& picturePath) {
  if (!gSplashEnabled || gSplash) return false;
  InitResources();
  QPixmap picture(picturePath);
  if (picture.isNull()) return false;  // no picture, no splash
  auto* splash = new SplashWindow(picture, owner);
  splash->show();
  // Start-up work follows at once and keeps the event loop from running: let the window
  // system map the window first, or the picture would come only after that work.
  QElapsedTimer clock;
  clock.start();
  while (splash->windowHandle() && !splash->windowHandle()->isExposed() &&
         clock.elapsed() < SplashWindow::kMapWaitMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(2);
  }
  splash->repaint();
  return true;
}

}  // namespace vyk
