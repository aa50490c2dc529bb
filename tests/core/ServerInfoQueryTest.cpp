// A server record refreshed from loopback servers, and the values derived from it.
#include <gtest/gtest.h>
#include <strings.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Farm.h"
#include "TestHome.h"
#include "core/ServerCache.h"
#include "core/ServerInfo.h"

namespace vyk {
namespace {

const std::string kHeader = "\xFF\xFF\xFF\xFFstatusResponse\n";
constexpr std::chrono::milliseconds kSilenceWait{150};

class ServerInfoQueryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(farm_.Start()); }

  ServerInfo RecordFor(int id, const std::string& password = {}) {
    return ServerInfo("127.0.0.1", farm_.Port(id), password);
  }
  int AddRaw(const std::string& datagram) {
    q3sim::ServerConfig config;
    config.rawReply = std::vector<std::string>{datagram};
    return farm_.AddServer(config);
  }

  test::TestHome home_;
  q3sim::Farm farm_;
};

TEST_F(ServerInfoQueryTest, AnswerFillsTheRecordAndCachesTheName) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig("^1Loopback ^7Arena", "q3dm6");
  config.players = {{12, 50, "^1Player"}, {3, 80, "Other"}};
  const int id = farm_.AddServer(config);
  ServerInfo record = RecordFor(id);
  record.buddyCount = 5;
  EXPECT_EQ(record.name, "-");

  EXPECT_TRUE(record.Query());
  EXPECT_TRUE(record.queried);
  EXPECT_EQ(record.buddyCount, 0);
  EXPECT_LT(record.ping, kNoPing);
  EXPECT_EQ(record.name, "^1Loopback ^7Arena");
  EXPECT_EQ(GetCachedName(record.Address()), "^1Loopback ^7Arena");
  EXPECT_EQ(record.InfoValue("mapname"), "q3dm6");
  EXPECT_EQ(record.info.size(), config.info.size());
  for (std::size_t i = 1; i < record.info.size(); ++i) {
    EXPECT_LE(strcasecmp(record.info[i - 1].key.c_str(), record.info[i].key.c_str()), 0);
  }
  ASSERT_EQ(record.PlayerCount(), 2);
  EXPECT_EQ(record.players[0].name, "^1Player");
  EXPECT_EQ(record.players[0].score, 12);
  EXPECT_EQ(record.players[0].ping, 50);
  EXPECT_FALSE(record.IsTimedOut());
}

TEST_F(ServerInfoQueryTest, SilentServerLeavesTheTimedOutState) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig("Was Here");
  config.players = {{1, 2, "p"}};
  const int id = farm_.AddServer(config);
  ServerInfo record = RecordFor(id);
  ASSERT_TRUE(record.Query());

  farm_.Modify(id, [](q3sim::ServerConfig& c) { c.silent = true; });
  EXPECT_FALSE(record.Query(kSilenceWait));
  EXPECT_TRUE(record.queried);
  EXPECT_EQ(record.ping, kNoPing);
  EXPECT_TRUE(record.info.empty());
  EXPECT_EQ(record.PlayerCount(), 0);
  EXPECT_EQ(record.name, "Was Here");  // the cached name stays
  EXPECT_TRUE(record.IsTimedOut());
  EXPECT_EQ(farm_.Stats(id).requests, 2u);
}

// The echoed token is none of the server's settings: it takes no place
// among the 31 pairs kept.
TEST_F(ServerInfoQueryTest, TheEchoedTokenIsNoPair) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig();
  for (int i = 0; config.info.size() < 31; ++i) config.SetInfo("x" + std::to_string(i), "1");
  const int id = farm_.AddServer(config);
  ServerInfo once = RecordFor(id);
  ASSERT_TRUE(once.Query());
  ServerInfo retrying = RecordFor(id);
  ASSERT_TRUE(retrying.Query(kAnswerWait, 4));
  EXPECT_NE(farm_.Stats(id).lastRequest.size(), 14u);  // the token went out
  EXPECT_EQ(retrying.info.size(), 31u);
  EXPECT_EQ(retrying.InfoValue("challenge"), "");
  for (std::size_t i = 0; i < once.info.size(); ++i) EXPECT_EQ(retrying.KeyAt(i), once.KeyAt(i));
}

// Attempts 100 ms apart against a server 150 ms away: an echo times the ping
// from the first attempt and loses nothing; without one the ping is still the
// first's but uncertain, and the second attempt counts as lost. One attempt
// sends the single 14-byte request.
TEST_F(ServerInfoQueryTest, AttemptsAndTheirLossStayWithTheRecord) {
  constexpr std::chrono::milliseconds kWait{400};
  q3sim::ServerConfig config = q3sim::DefaultServerConfig();
  config.SetLatency(150);
  const int id = farm_.AddServer(config);
  ServerInfo record = RecordFor(id);
  EXPECT_EQ(LossTooltipText(record), "");
  ASSERT_TRUE(record.Query(kWait, 4));
  EXPECT_GE(record.ping, 150);
  EXPECT_FALSE(record.pingUncertain);
  EXPECT_EQ(LossTooltipText(record), "Loss 0 of 1 (0 %)");

  farm_.Modify(id, [](q3sim::ServerConfig& c) { c.echoChallenge = false; });
  ASSERT_TRUE(record.Query(kWait, 4));
  EXPECT_GE(record.ping, 150);
  EXPECT_LT(record.ping, 250);
  EXPECT_TRUE(record.pingUncertain);
  EXPECT_EQ(LossTooltipText(record), "Loss 1 of 3 (33 %), ping uncertain");

  farm_.Modify(id, [](q3sim::ServerConfig& c) { c.silent = true; });
  farm_.ResetCounters();
  EXPECT_FALSE(record.Query(kSilenceWait, 1));
  EXPECT_EQ(farm_.Stats(id).requests, 1u);
  EXPECT_EQ(farm_.Stats(id).lastRequest.size(), 14u);
  EXPECT_FALSE(record.pingUncertain);
  EXPECT_EQ(LossTooltipText(record), "Loss 2 of 4 (50 %)");
}

TEST_F(ServerInfoQueryTest, HeaderOnlyAnswerKeepsThePing) {
  ServerInfo record = RecordFor(AddRaw(kHeader));
  EXPECT_FALSE(record.Query());
  EXPECT_TRUE(record.queried);
  EXPECT_LT(record.ping, kNoPing);
  EXPECT_TRUE(record.info.empty());
  EXPECT_FALSE(record.IsTimedOut());
}

TEST_F(ServerInfoQueryTest, InfoWithoutPlayersStillCounts) {
  ServerInfo record = RecordFor(AddRaw(kHeader + "\\mapname\\q3dm17\n"));
  EXPECT_TRUE(record.Query());
  EXPECT_EQ(record.PlayerCount(), 0);
}

TEST_F(ServerInfoQueryTest, EmptyHostnameWritesNoName) {
  SetCachedName("127.0.0.1:1", "unrelated");
  const int id = AddRaw(kHeader + "\\sv_hostname\\\\mapname\\q3dm17\n");
  ServerInfo record = RecordFor(id);
  SetCachedName(record.Address(), "Old Name");
  ASSERT_TRUE(record.Query());
  // The empty value shifts: "sv_hostname" holds "mapname" here.
  EXPECT_EQ(record.InfoValue("sv_hostname"), "mapname");

  const int blank = AddRaw(kHeader + "\\mapname\\q3dm17\\sv_hostname\\\n");
  ServerInfo unnamed = RecordFor(blank);
  ASSERT_TRUE(unnamed.Query());
  EXPECT_EQ(unnamed.InfoValue("sv_hostname"), "");
  EXPECT_EQ(unnamed.name, "-");
  EXPECT_EQ(ReadCacheValue(unnamed.Address(), "name", "absent"), "absent");
}

TEST_F(ServerInfoQueryTest, RconSendsThePasswordAndReturnsTheText) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig();
  config.rconPassword = "secret";
  const int id = farm_.AddServer(config);
  ServerInfo record = RecordFor(id, "secret");
  const std::string answer = record.Rcon("echo hi");
  EXPECT_EQ(farm_.Stats(id).lastRequest,
            std::string("\xFF\xFF\xFF\xFFrcon secret echo hi") + std::string(1, '\0'));
  EXPECT_NE(answer.find("hi"), std::string::npos);
  EXPECT_EQ(answer.rfind("\xFF\xFF\xFF\xFFprint\n", 0), 0u);

  ServerInfo wrong = RecordFor(id);
  EXPECT_NE(wrong.Rcon("status").find("Bad rconpassword."), std::string::npos);
  EXPECT_EQ(farm_.Stats(id).lastRequest,
            std::string("\xFF\xFF\xFF\xFFrcon  status") + std::string(1, '\0'));

  farm_.Modify(id, [](q3sim::ServerConfig& c) { c.silent = true; });
  EXPECT_EQ(record.Rcon("status", kSilenceWait), "");
}

// An IPv6 server: queried, named in the cache under its bracketed address,
// and reached by rcon, as an IPv4 one is.
TEST_F(ServerInfoQueryTest, IpSixServerAnswersStatusAndRcon) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig("^2Six", "q3dm6");
  config.rconPassword = "secret";
  const int id = farm_.AddServer(config, 0, q3sim::Family::kIpv6);
  if (id < 0) GTEST_SKIP() << "no ::1 on this machine";
  ServerInfo record;
  record.SetAddress(farm_.Address(id));
  record.password = "secret";
  EXPECT_EQ(record.Address(), "[::1]:" + std::to_string(farm_.Port(id)));
  EXPECT_TRUE(record.Query());
  EXPECT_LT(record.ping, kNoPing);
  EXPECT_EQ(GetCachedName(record.Address()), "^2Six");
  EXPECT_EQ(ServerInfo("::1", farm_.Port(id)).name, "^2Six");
  EXPECT_NE(record.Rcon("echo six").find("six"), std::string::npos);
}

TEST_F(ServerInfoQueryTest, SixtyFourThreadsEachGetTheirOwnServer) {
  constexpr int kCount = 64;
  std::vector<ServerInfo> records;
  for (int i = 0; i < kCount; ++i) {
    q3sim::ServerConfig config =
        q3sim::DefaultServerConfig("server" + std::to_string(i), "map" + std::to_string(i));
    config.players = {{i, 10 + i, "player" + std::to_string(i)}};
    config.SetLatency(i % 7);
    records.push_back(RecordFor(farm_.AddServer(config)));
  }
  std::vector<std::thread> threads;
  std::atomic<int> answered{0};
  for (int i = 0; i < kCount; ++i) {
    threads.emplace_back([&records, &answered, i] {
      if (records[static_cast<std::size_t>(i)].Query()) ++answered;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(answered.load(), kCount);
  for (int i = 0; i < kCount; ++i) {
    const ServerInfo& r = records[static_cast<std::size_t>(i)];
    EXPECT_EQ(r.name, "server" + std::to_string(i));
    EXPECT_EQ(GetCachedName(r.Address()), "server" + std::to_string(i));
    EXPECT_EQ(r.InfoValue("mapname"), "map" + std::to_string(i));
    ASSERT_EQ(r.PlayerCount(), 1);
    EXPECT_EQ(r.players[0].name, "player" + std::to_string(i));
    EXPECT_EQ(r.players[0].score, i);
  }
}

TEST(ServerInfoDerivedTest, TimedOutNeedsAQueryAFailedPingAndNoMap) {
  test::TestHome home;
  ServerInfo record;
  EXPECT_FALSE(record.IsTimedOut());  // never queried
  record.queried = true;
  EXPECT_TRUE(record.IsTimedOut());
  record.info = {{"mapname", "q3dm17"}};
  EXPECT_FALSE(record.IsTimedOut());
  record.info.clear();
  record.ping = 120;
  EXPECT_FALSE(record.IsTimedOut());
  record.ping = 10000;
  EXPECT_TRUE(record.IsTimedOut());
}

TEST(ServerInfoDerivedTest, NeedsPasswordOnlyForExactlyOne) {
  test::TestHome home;
  ServerInfo record;
  for (const char* value : {"1 ", " 1", "01", "0", "", "true"}) {
    record.info = {{"g_needpass", value}};
    EXPECT_FALSE(record.NeedsPassword()) << '"' << value << '"';
  }
  record.info = {{"G_NEEDPASS", "1"}};
  EXPECT_FALSE(record.NeedsPassword());
  record.info = {{"g_needpass", "1"}};
  EXPECT_TRUE(record.NeedsPassword());
}

TEST(ServerInfoDerivedTest, VersionTextEndsBeforeTheSecondBlank) {
  test::TestHome home;
  ServerInfo record;
  const std::pair<const char*, const char*> cases[] = {
      {"ioq3 1.36_GIT linux-x86_64 Apr 12 2020", "ioq3 1.36_GIT"},
      {"Q3 1.32c win-x86 May  8 2006", "Q3 1.32c"},
      {"Q3 1.32", "Q3 1.32"},
      {"single", "single"},
      {"", ""},
      {"  x", " "},
  };
  for (const auto& [version, text] : cases) {
    record.info = {{"Version", "upper"}, {"version", version}};
    EXPECT_EQ(record.VersionText(), text) << version;
  }
}

}  // namespace
}  // namespace vyk
