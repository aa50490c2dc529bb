#pragma once
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace vyk {

// The program's picture, shown borderless and centred for a moment while the main
// window comes up; it ignores clicks and closes itself after kShowMs.
class SplashWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kShowMs = 1500;
  // How long ShowSplash waits at most for the window system to put the window on screen.
  static constexpr int kMapWaitMs = 500;
  static constexpr const char* kPicture = ":/bitmaps/140.png";

  ~SplashWindow() override;

  // The one splash window while it is shown, else null.
  static SplashWindow* Instance();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  SplashWindow(const QPixmap& picture, QWidget* owner);
  friend bool ShowSplash(QWidget* owner, const QString& picturePath);

  QPixmap picture_;
  QWidget* owner_;
  int timerId_ = 0;
};

// Start-up switches the splash on; ShowSplash does nothing while it is off.
void EnableSplash(bool on);
bool SplashEnabled();
// Shows the picture unless the splash is off, one is already shown, or the picture cannot
// be loaded. Returns whether a splash window now exists because of this call.
bool ShowSplash(QWidget* owner,
                const QString& picturePath = QString::fromLatin1(SplashWindow::kPicture));

}  // namespace vyk
