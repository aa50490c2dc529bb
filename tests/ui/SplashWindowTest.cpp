#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>

#include "ui/widgets/SplashWindow.h"

namespace vyk {
namespace {

TEST(SplashWindow, NothingWhenSwitchedOffOrWithoutPicture) {
  EnableSplash(false);
  EXPECT_FALSE(ShowSplash(nullptr));
  EXPECT_EQ(SplashWindow::Instance(), nullptr);
  EnableSplash(true);
  EXPECT_FALSE(ShowSplash(nullptr, QStringLiteral(":/bitmaps/missing.png")));
  EXPECT_EQ(SplashWindow::Instance(), nullptr);
  EnableSplash(false);
}

TEST(SplashWindow, ShowsThePictureBorderlessIgnoresClicksAndGoesAway) {
  QWidget owner;
  owner.resize(300, 200);
  EnableSplash(true);
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(ShowSplash(&owner));
  SplashWindow* splash = SplashWindow::Instance();
  ASSERT_NE(splash, nullptr);
  EXPECT_FALSE(ShowSplash(&owner));  // one at a time
  EXPECT_EQ(splash->size(), QSize(400, 300));
  EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(splash->windowFlags().testFlag(Qt::SplashScreen));
  EXPECT_TRUE(splash->isVisible());

  QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(splash, &press);
  QApplication::processEvents();
  EXPECT_EQ(SplashWindow::Instance(), splash);

  // Gone after its time; the bound below is generous for a loaded machine.
  while (SplashWindow::Instance() && clock.elapsed() < 20000) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QThread::msleep(10);
  }
  EXPECT_EQ(SplashWindow::Instance(), nullptr);
  EXPECT_GE(clock.elapsed(), SplashWindow::kShowMs - 100);
  EnableSplash(false);
}

}  // namespace
}  // namespace vyk
