// A refresh of 2000 servers through the main window, 200 of them hostile: the window
// keeps handling events, every honest row is right, and no game command line built
// from a hostile server carries anything the server slipped in.
#include <gtest/gtest.h>

#include <algorithm>

#include <QLineEdit>
#include <QTimer>
#include <filesystem>
#include <map>
#include <set>

#include "DialogFakes.h"
#include "MainWindowFixture.h"
#include "core/ServerInfo.h"
#include "launch/ConnectCommandLine.h"
#include "launch/ProtocolSwitch.h"
#include "platform/ProcessStart.h"

namespace vyk::test {
namespace {

constexpr int kServers = 2000;
constexpr double kHostileShare = 0.1;

class HostileRefreshTest : public MainWindowTest {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the farm runs in another process there, and hostile servers' configurations "
                    "outgrow its control datagrams";
#endif
    MainWindowTest::SetUp();
    configs_ = q3sim::GenerateServers(q3sim::HostileFarmOptions(kServers, kHostileShare));
    AddToFarm(configs_);
  }

  // What an honest server's row must show, compared cell by cell.
  ::testing::AssertionResult HonestRowIsRight(int n, int row) {
    const q3sim::ServerConfig& c = configs_[static_cast<std::size_t>(n)];
    const ServerInfo& record = Servers().Servers().At(Servers().IndexAt(row));
    // Bots (ping 0) are counted apart: "humans+bots/max".
    const auto bots = std::count_if(c.players.begin(), c.players.end(),
                                    [](const q3sim::Player& p) { return p.ping == 0; });
    const std::string max = "/" + c.Info("sv_maxclients");
    const std::string players =
        bots == 0 ? std::to_string(c.players.size()) + max
                  : std::to_string(c.players.size() - bots) + "+" + std::to_string(bots) + max;
    if (Servers().ItemText(row, 0) != c.Info("sv_hostname"))
      return ::testing::AssertionFailure() << "name " << Servers().ItemText(row, 0);
    if (Servers().ItemText(row, 2) != players)
      return ::testing::AssertionFailure() << "players " << Servers().ItemText(row, 2);
    if (Servers().ItemText(row, 3) != c.Info("mapname"))
      return ::testing::AssertionFailure() << "map " << Servers().ItemText(row, 3);
    if (record.ping >= kNoPing || Servers().ItemText(row, 4) != std::to_string(record.ping))
      return ::testing::AssertionFailure() << "ping " << record.ping;
    if (record.PlayerCount() != static_cast<int>(c.players.size()))
      return ::testing::AssertionFailure() << "player list " << record.PlayerCount();
    for (int p = 0; p < record.PlayerCount(); ++p) {
      if (record.players[p].name != c.players[static_cast<std::size_t>(p)].name)
        return ::testing::AssertionFailure() << "player " << record.players[p].name;
    }
    return ::testing::AssertionSuccess();
  }

  std::vector<q3sim::ServerConfig> configs_;
};

TEST_F(HostileRefreshTest, TwoHundredHostileServersLeaveTheWindowAndHonestRowsIntact) {
  int hostile = 0;
  for (const auto& c : configs_) hostile += c.hostile != 0;
  ASSERT_EQ(hostile, 200);

  Open();
  settings_.maxThread = 96;
  ASSERT_EQ(Servers().RowCount(), kServers);

  // The window stays responsive: its timers keep firing and the list keeps being painted
  // while the refresh blocks it.
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      paints += e->type() == QEvent::Paint;
      return false;
    }
  } counter;
  Servers().viewport()->installEventFilter(&counter);
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    ++ticks;
    Servers().viewport()->update();
  });
  ticker.start(10);
  dialog_->OnCommand(MainDialog::kRefreshAll);
  ticker.stop();
  Servers().viewport()->removeEventFilter(&counter);
  EXPECT_GE(ticks, 3);
  EXPECT_GE(counter.paints, 3);
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_TRUE(dialog_->Control(MainDialog::kRefreshAll)->isEnabled());

  std::map<std::string, int> rowOf;
  for (int r = 0; r < Servers().RowCount(); ++r) rowOf[Servers().ItemText(r, 5)] = r;
  int honestOk = 0;
  for (int n = 0; n < kServers; ++n) {
    if (configs_[static_cast<std::size_t>(n)].hostile != 0) continue;
    auto it = rowOf.find(Address(n));
    if (it == rowOf.end()) {
      ADD_FAILURE() << "no row for honest server " << n;
      continue;
    }
    const auto result = HonestRowIsRight(n, it->second);
    EXPECT_TRUE(result) << "server " << n;
    honestOk += static_cast<bool>(result);
  }
  EXPECT_EQ(honestOk, kServers - hostile);

  // Every hostile row selected and painted with its players: whatever the server sent, no
  // list holds more lines than one answer can.
  for (int n = 0; n < kServers; ++n) {
    if (configs_[static_cast<std::size_t>(n)].hostile == 0) continue;
    auto it = rowOf.find(Address(n));
    if (it == rowOf.end()) continue;
    dialog_->SelectServer(Servers().IndexAt(it->second));
    EXPECT_LE(Players().RowCount(), 8191 / 6);  // no more lines than an answer can hold
    Servers().EnsureRowVisible(it->second);
    Servers().grab();
    Players().grab();
  }

  // Connect to every hostile server through the window; the game start is recorded.
  // Nothing may ask for input: a prompt would block the test, so one is closed and counted.
  const std::filesystem::path game = home_.Path() / "Quake3";
  std::filesystem::create_directories(game);
  WriteFile(game / "QUAKE3.exe", "active");
  WriteFile(game / "quake3.68", "v68");
  settings_.gamePath = (game / "QUAKE3.exe").string();
  settings_.switchProtocol = 0;
  settings_.useFsGame = 1;
  settings_.param.clear();
  RecordingStarter starter;
  RecordingStatus sink;
  dialog_->SetGameStarter(&starter);
  int prompts = 0;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      ++prompts;
      modal->close();
    }
  });
  closer.start(50);
  std::map<std::string, int> indexOf;
  for (int i = 0; i < Servers().Servers().Count(); ++i)
    indexOf[Servers().Servers().At(i).Address()] = i;
  std::vector<int> connected;  // farm servers, in order of the starts
  std::vector<int> indices;    // and their list indices
  for (int n = 0; n < kServers; ++n) {
    if (configs_[static_cast<std::size_t>(n)].hostile == 0) continue;
    ASSERT_EQ(indexOf.count(Address(n)), 1u);
    const int index = indexOf[Address(n)];
    // Hidden rows too: Connect acts on the current server, shown or not.
    dialog_->SelectServer(index);
    dialog_->OnCommand(MainDialog::kConnect);
    connected.push_back(n);
    indices.push_back(index);
  }
  closer.stop();
  dialog_->SetGameStarter(nullptr);
  EXPECT_EQ(prompts, 0);
  ASSERT_EQ(starter.starts.size(), connected.size());

  std::set<std::string> modsSeen;
  for (std::size_t k = 0; k < connected.size(); ++k) {
    const std::string& line = starter.starts[k].parameters;
    const std::vector<std::string> args = SplitCommandLine(line);
    SCOPED_TRACE("server " + std::to_string(connected[k]) + ": " + line);
    // Either "+connect <address>" or "+set fs_game <folder> +connect <address>".
    ASSERT_TRUE(args.size() == 2 || args.size() == 5);
    const std::size_t at = args.size() - 2;
    EXPECT_EQ(args[at], "+connect");
    EXPECT_EQ(args[at + 1], Address(connected[k]));
    if (args.size() == 5) {
      EXPECT_EQ(args[0], "+set");
      EXPECT_EQ(args[1], "fs_game");
      EXPECT_TRUE(IsPlainFolderName(args[2]));
      modsSeen.insert(args[2]);
    }
    for (const std::string& arg : args) {
      EXPECT_EQ(arg.find(".."), std::string::npos) << arg;
      EXPECT_EQ(arg.find_first_of("\"\\/;"), std::string::npos) << arg;
      if (!arg.empty() && (arg[0] == '+' || arg[0] == '-')) {
        EXPECT_TRUE(arg == "+set" || arg == "+connect") << arg;
      }
    }
  }
  // Generated mods still reach the command line from hostile servers that name one plainly.
  EXPECT_FALSE(modsSeen.empty());

  // No protocol a hostile server gave becomes a file name: nothing outside the two
  // files appears in the game directory, and QUAKE3.exe is left as it was.
  for (int index : indices) {
    const std::string protocol = Servers().Servers().At(index).InfoValue("protocol");
    if (!IsProtocolText(protocol)) {
      EXPECT_FALSE(SwitchToProtocol(settings_.gamePath, protocol)) << protocol;
    }
  }
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(game)) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2);
  EXPECT_EQ(ReadFile(game / "QUAKE3.exe"), "active");
}

}  // namespace
}  // namespace vyk::test
