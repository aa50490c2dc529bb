#pragma once
// A main window over a loopback farm, in a home of its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <memory>
#include <string>
#include <vector>

#include "Farm.h"
#include "Generator.h"
#include "TestHome.h"
#include "config/ConfigFile.h"
#include "ui/MainDialog.h"
#include "ui/PlayerListView.h"
#include "ui/ServerListView.h"
#include "ui/widgets/Resources.h"

namespace vyk::test {

inline void SendMouse(QWidget* w, QEvent::Type type, const QPoint& at) {
  QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton,
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
inline void MouseClick(QWidget* w, const QPoint& at) {
  SendMouse(w, QEvent::MouseButtonPress, at);
  SendMouse(w, QEvent::MouseButtonRelease, at);
  QApplication::processEvents();
}
inline void MouseDoubleClick(QWidget* w, const QPoint& at) {
  MouseClick(w, at);
  SendMouse(w, QEvent::MouseButtonDblClick, at);
  SendMouse(w, QEvent::MouseButtonRelease, at);
  QApplication::processEvents();
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitResources();
    ASSERT_TRUE(farm_.Start());
  }
  void TearDown() override {
    dialog_.reset();
    farm_.Stop();
  }

  // Puts the configs on the farm and their addresses in the server list file.
  void AddToFarm(const std::vector<q3sim::ServerConfig>& configs) {
    const std::vector<int> ids = q3sim::AddServers(farm_, configs);
    ASSERT_EQ(ids.size(), configs.size());
    std::string list;
    for (int id : ids) {
      ids_.push_back(id);
      list += farm_.Address(id) + "\n";
    }
    WriteFile(home_.Path() / "server.vyk", list);
  }

  // Loads the settings as start-up does and opens the window.
  void Open() {
    LoadSettings(settings_);
    settings_.displayOnReload = 1;
    settings_.minimize = 0;
    dialog_ = std::make_unique<MainDialog>(settings_, nullptr, firstWait_);
    dialog_->resize(900, 640);
    dialog_->show();
    QApplication::processEvents();
  }

  ServerListView& Servers() { return dialog_->ServerView(); }
  PlayerListView& Players() { return dialog_->PlayerView(); }
  std::string Address(int n) const { return farm_.Address(ids_[static_cast<std::size_t>(n)]); }
  // Row showing the farm server n, -1 when none.
  int RowOfServer(int n) {
    for (int r = 0; r < Servers().RowCount(); ++r)
      if (Servers().ItemText(r, 5) == Address(n)) return r;
    return -1;
  }

  TestHome home_;
  q3sim::Farm farm_;
  std::vector<int> ids_;
  Settings settings_;
  // Short where a test's farm has a silent server.
  std::chrono::milliseconds firstWait_ = kAnswerWait;
  std::unique_ptr<MainDialog> dialog_;
};

}  // namespace vyk::test
