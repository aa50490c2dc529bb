// Saves a picture of the main window for the documentation. Runs only when asked:
//   VYK_SCREENSHOT=docs/main-window.png VYK_SCREENSHOT_HOME=<home with Config.ini>
// with the home's server list pointing at a running q3sim farm.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QThread>
#include <cstdlib>
#include <string>

#include "TestHome.h"
#include "config/ConfigFile.h"
#include "ui/MainDialog.h"
#include "ui/ServerListView.h"
#include "ui/widgets/Resources.h"

namespace vyk::test {
namespace {

TEST(ScreenshotTest, MainWindowAfterARefresh) {
  const char* out = std::getenv("VYK_SCREENSHOT");
  const char* home = std::getenv("VYK_SCREENSHOT_HOME");
  if (!out || !home) GTEST_SKIP() << "VYK_SCREENSHOT and VYK_SCREENSHOT_HOME not set";
  SetVariable("VYKFIND_HOME", home);
  InitResources();
  Settings settings;
  LoadSettings(settings);
  MainDialog dialog(settings);
  dialog.resize(1000, 700);
  dialog.show();
  QApplication::processEvents();
  dialog.OnCommand(MainDialog::kRefreshAll);
  ServerListView& list = dialog.ServerView();
  // The busiest server with a buddy on it, or the busiest one.
  int best = 0;
  for (int r = 1; r < list.RowCount(); ++r) {
    const ServerInfo& a = list.Servers().At(list.IndexAt(r));
    const ServerInfo& b = list.Servers().At(list.IndexAt(best));
    if (std::make_pair(a.buddyCount > 0, a.PlayerCount()) >
        std::make_pair(b.buddyCount > 0, b.PlayerCount()))
      best = r;
  }
  list.SetRowSelected(best, true);
  QApplication::processEvents();
  ASSERT_TRUE(dialog.grab().toImage().save(QString::fromLocal8Bit(out)));
}

}  // namespace
}  // namespace vyk::test
