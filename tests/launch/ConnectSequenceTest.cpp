#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "Farm.h"
#include "LaunchFakes.h"
#include "PlatformSkip.h"
#include "TestHome.h"
#include "config/ConfigFile.h"
#include "core/ServerCache.h"
#include "core/ServerInfo.h"
#include "launch/ConnectSequence.h"
#include "launch/FreeSlotWait.h"
#include "launch/ServerPassword.h"
#include "platform/ProcessStart.h"

namespace vyk {
namespace {

namespace fs = std::filesystem;
using test::StartCall;
using test::VersionBytes;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ConnectSequenceTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    Put("QUAKE3.exe", VersionBytes("66"));
    Put("quake3.68", VersionBytes("68"), fs::perms(0755));
    settings_.gamePath = gamePath_;
    ASSERT_TRUE(farm_.Start());
  }

  // A server of the farm, queried once as the list's refresh would have.
  ServerInfo AddServer(const q3sim::ServerConfig& config) {
    int id = farm_.AddServer(config);
    EXPECT_GE(id, 0);
    ServerInfo server("127.0.0.1", farm_.Port(id));
    server.Query(firstWait_);
    return server;
  }

  bool Connect(ServerInfo& server, const std::string& alias = "") {
    return status_.Report(
        ConnectToCurrentServer(server, settings_, alias, host_, starter_, firstWait_));
  }

  std::chrono::milliseconds firstWait_ = kAnswerWait;
  Settings settings_;
  q3sim::Farm farm_;
  test::FakeConnectHost host_;
  test::RecordingStarter starter_;
};

TEST_F(ConnectSequenceTest, LaunchSwitchesRequeriesCountsRecordsAndMinimises) {
  ServerInfo server = AddServer(q3sim::DefaultServerConfig("Arena", "q3dm17", 68));
  const std::string address = server.Address();

  EXPECT_TRUE(Connect(server));

  const std::string line = "+connect " + address;
  EXPECT_THAT(starter_.calls, ElementsAre(StartCall{"QUAKE3.exe", line, dir_}));
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("68"));
  EXPECT_EQ(ReadRawProfileString("DEBUG", "Lastrun"), line);
  EXPECT_EQ(GetConnectCount(address), 1);
  EXPECT_EQ(host_.refreshes, 1);
  EXPECT_EQ(host_.prompts, 0);
  EXPECT_EQ(host_.minimised, 1);
  EXPECT_THAT(status_.errors, IsEmpty());
  EXPECT_EQ(status_.shown.front(), "  Connceting to server :" + address);
  EXPECT_THAT(status_.shown, Contains("  switching to protocol : 68"));
  EXPECT_EQ(status_.shown.back(), "  Ready");

  settings_.minimize = 0;
  EXPECT_TRUE(Connect(server));
  EXPECT_EQ(GetConnectCount(address), 2);
  EXPECT_EQ(host_.minimised, 1);
}

TEST_F(ConnectSequenceTest, MissingGameStopsBeforeAnyTrace) {
  ServerInfo server = AddServer(q3sim::DefaultServerConfig());
  settings_.switchProtocol = 0;
  settings_.gamePath = dir_ + "ioquake3.x86_64";
  EXPECT_FALSE(Connect(server));
  settings_.gamePath = "";
  EXPECT_FALSE(Connect(server));

  EXPECT_THAT(status_.errors,
              ElementsAre("Unable to find :\n" + dir_ + "ioquake3.x86_64", "Unable to find :\n"));
  EXPECT_THAT(status_.errorsOver, Contains("  Connceting to server :" + server.Address()));
  EXPECT_THAT(starter_.calls, IsEmpty());
  EXPECT_EQ(GetConnectCount(server.Address()), 0);
  EXPECT_EQ(ReadRawProfileString("DEBUG", "Lastrun"), "");
  EXPECT_EQ(host_.refreshes, 0);
  EXPECT_EQ(status_.shown.back(), "  Ready");
}

TEST_F(ConnectSequenceTest, GameFileWhoseCaseDiffersFromThePathIsFoundAndStarted) {
  VYK_SKIP_ON_WINDOWS("names that differ in letter case only");
  ServerInfo server = AddServer(q3sim::DefaultServerConfig("Arena", "q3dm17", 68));
  fs::rename(gameDir_ / "QUAKE3.exe", gameDir_ / "quake3.exe");

  EXPECT_TRUE(Connect(server));

  EXPECT_THAT(status_.errors, IsEmpty());
  EXPECT_THAT(starter_.calls,
              ElementsAre(StartCall{"quake3.exe", "+connect " + server.Address(), dir_}));
  EXPECT_EQ(Get("quake3.exe"), VersionBytes("68"));
}

TEST_F(ConnectSequenceTest, MissingVersionStopsUnlessSwitchingIsOff) {
  ServerInfo server = AddServer(q3sim::DefaultServerConfig("Arena", "q3dm17", 71));
  EXPECT_FALSE(Connect(server));
  EXPECT_THAT(status_.errors, ElementsAre("Unable to find :\n" + dir_ + "quake3.71"));
  EXPECT_THAT(status_.errorsOver, ElementsAre("  switching to protocol : 71"));
  EXPECT_EQ(status_.shown.back(), "  Ready");
  EXPECT_THAT(starter_.calls, IsEmpty());
  EXPECT_EQ(GetConnectCount(server.Address()), 0);

  settings_.switchProtocol = 0;
  EXPECT_TRUE(Connect(server));
  EXPECT_EQ(starter_.calls.size(), 1u);
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("66"));
}

TEST_F(ConnectSequenceTest, PasswordOnlyWhenTheServerAsksAndTheUserGivesOne) {
  q3sim::ServerConfig open = q3sim::DefaultServerConfig();
  open.SetInfo("g_needpass", "0");
  ServerInfo free = AddServer(open);
  RememberPassword(free.Address(), "remembered");
  EXPECT_TRUE(Connect(free));
  EXPECT_EQ(host_.prompts, 0);
  EXPECT_EQ(starter_.calls.back().parameters, "+connect " + free.Address());

  q3sim::ServerConfig locked = q3sim::DefaultServerConfig();
  locked.SetInfo("g_needpass", "1");
  ServerInfo guarded = AddServer(locked);
  host_.answer = "pw";
  EXPECT_TRUE(Connect(guarded, "^2Me Too"));
  EXPECT_EQ(starter_.calls.back().parameters,
            "+connect " + guarded.Address() + " +name \"^2Me Too\" +password pw");
  host_.answer = "";  // cancelled or left empty
  EXPECT_TRUE(Connect(guarded));
  EXPECT_EQ(starter_.calls.back().parameters, "+connect " + guarded.Address());
  EXPECT_EQ(host_.prompts, 2);
}

TEST_F(ConnectSequenceTest, SilentServerIsStillLaunchedAndCounted) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig();
  config.silent = true;
  firstWait_ = std::chrono::milliseconds(150);
  ServerInfo server = AddServer(config);
  EXPECT_TRUE(Connect(server));
  EXPECT_EQ(host_.prompts, 0);
  EXPECT_EQ(GetConnectCount(server.Address()), 1);
  EXPECT_EQ(starter_.calls.size(), 1u);
}

TEST_F(ConnectSequenceTest, HostileServerValuesNeverReachTheCommandLineOrTheFiles) {
  settings_.useFsGame = 1;
  test::WriteFile(home_.Path() / "outside", VersionBytes("outside"));
  fs::create_directory(gameDir_ / "quake3.");

  q3sim::ServerConfig config = q3sim::DefaultServerConfig();
  config.SetInfo("protocol", "/../../outside");
  ServerInfo traversing = AddServer(config);
  EXPECT_FALSE(Connect(traversing));
  EXPECT_THAT(status_.errors, ElementsAre("Unable to find :\n" + dir_ + "quake3./../../outside"));
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("66"));
  EXPECT_THAT(starter_.calls, IsEmpty());

  config.SetInfo("protocol", "68");
  config.SetInfo("gamename", "baseq3 +exec evil.cfg");
  ServerInfo injecting = AddServer(config);
  EXPECT_TRUE(Connect(injecting));
  ASSERT_EQ(starter_.calls.size(), 1u);
  EXPECT_EQ(starter_.calls[0].parameters, "+connect " + injecting.Address());
  EXPECT_THAT(SplitCommandLine(starter_.calls[0].parameters),
              ElementsAre("+connect", injecting.Address()));
}

}  // namespace
}  // namespace vyk

namespace vyk {
namespace {

TEST(FreeSlotWaitTest, AsksAtOnceThenEachIntervalUntilAPublicSlotIsFree) {
  using namespace std::chrono_literals;
  test::TestHome home;
  ServerInfo full("10.0.0.9", 27960);
  full.queried = true;
  full.ping = 40;
  full.info = {{"mapname", "q3dm17"}, {"sv_maxclients", "4"}, {"sv_privateClients", "1"}};
  for (int p = 0; p < 3; ++p) full.players.Add({"p" + std::to_string(p), 50, 0, false});
  const SteadyTime start = SteadyNow();
  FreeSlotWait wait(full, start, {5s, 1s, 60s});
  EXPECT_LE(wait.NextAsk(), start);
  wait.Asked(start);
  EXPECT_EQ(wait.NextAsk(), start + 5s);
  EXPECT_FALSE(wait.SlotFree(full));  // 3 of 4, one of them private
  EXPECT_EQ(wait.StatusText(start + 1s),
            "Waiting for a free slot on 10.0.0.9:27960 (3/4): next look in 4 s, 0:59 left "
            "(Esc stops)");
  ServerInfo silent = full;
  silent.ping = kNoPing;
  silent.info.clear();
  EXPECT_FALSE(wait.SlotFree(silent));  // no answer is no slot
  full.players.Clear();
  full.players.Add({"p", 50, 0, false});
  EXPECT_TRUE(wait.SlotFree(full));
  EXPECT_FALSE(wait.Expired(start + 59s));
  EXPECT_TRUE(wait.Expired(start + 60s));
  // Never faster than a server lets one address ask.
  FreeSlotWait eager(full, start, {100ms, 1s, 60s});
  eager.Asked(start);
  EXPECT_EQ(eager.NextAsk(), start + 1s);
}

}  // namespace
}  // namespace vyk
