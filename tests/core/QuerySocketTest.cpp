// The UDP exchange against loopback servers.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <pthread.h>
#endif

#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../tools/LoopbackClient.h"
#include "Farm.h"
#include "Hostile.h"
#include "Replies.h"
#include "core/QuerySocket.h"

namespace vyk {
namespace {

using namespace std::chrono_literals;

const std::string kPrefix = "\xFF\xFF\xFF\xFF";
const std::string kHeader = kPrefix + "statusResponse\n";
const std::string kZero(1, '\0');

#ifndef _WIN32
std::atomic<bool> answerSent{false};

// Keeps the thread it interrupts from running until the answer has arrived and
// 100 ms more: a wake-up as late as a busy machine may give.
void HoldThread(int) {
  timespec step{0, 100000};
  while (!answerSent.load()) nanosleep(&step, nullptr);
  timespec late{0, 100000000};
  nanosleep(&late, nullptr);
}
#endif

class QuerySocketTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(farm_.Start()); }

  int AddRaw(std::vector<std::string> datagrams) {
    q3sim::ServerConfig config;
    config.rawReply = std::move(datagrams);
    return farm_.AddServer(config);
  }
  std::string LastRequest(int id) const { return farm_.Stats(id).lastRequest; }

  q3sim::Farm farm_;
};

TEST_F(QuerySocketTest, StatusRequestIs14BytesEndingInZero) {
  const int id = farm_.AddServer(q3sim::DefaultServerConfig());
  QuerySocket socket("127.0.0.1", farm_.Port(id), "secret");
  ASSERT_TRUE(socket.RequestStatus().has_value());
  ASSERT_EQ(LastRequest(id).size(), 14u);
  EXPECT_EQ(LastRequest(id), kPrefix + "getstatus" + kZero);
  EXPECT_EQ(farm_.Stats(id).requests, 1u);
}

TEST_F(QuerySocketTest, LateAnswerCountsAsSilence) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig();
  config.SetLatency(400);
  const int id = farm_.AddServer(config);
  QuerySocket socket("127.0.0.1", farm_.Port(id), "", std::chrono::milliseconds(150));
  EXPECT_EQ(socket.QueryStatus(), -1);
  EXPECT_EQ(socket.Ping(), 9999);
  EXPECT_EQ(socket.Status().PairCount(), 0);
  EXPECT_EQ(farm_.Stats(id).requests, 1u);  // no retry
}

// A thread held up by a signal after its datagram arrived: Linux stamps
// the arrival; Windows has no stamps (nor signals to hold a thread with).
#ifndef _WIN32
TEST_F(QuerySocketTest, PingEndsAtTheArrivalNotWhenTheThreadWakes) {
  q3sim_test::Client server;
  struct sigaction hold {};
  struct sigaction previous {};
  hold.sa_handler = HoldThread;
  sigemptyset(&hold.sa_mask);
  ASSERT_EQ(sigaction(SIGUSR1, &hold, &previous), 0);
  answerSent = false;
  SteadyTime called{};
  std::int32_t ping = -1;
  std::thread client([&] {
    QuerySocket socket("127.0.0.1", server.Port(), "");
    called = SteadyNow();
    socket.RequestStatus();
    ping = socket.Ping();
  });
  std::uint16_t clientPort = 0;
  const bool asked = server.Recv(2000, &clientPort).has_value();
  if (asked) {
    pthread_kill(client.native_handle(), SIGUSR1);
    server.Send(clientPort, kHeader + "\\mapname\\q3dm17\n");
  }
  const SteadyTime sent = SteadyNow();
  answerSent = true;
  client.join();
  sigaction(SIGUSR1, &previous, nullptr);
  ASSERT_TRUE(asked);
  EXPECT_GE(ping, 0);
  EXPECT_LE(ping, ElapsedMilliseconds(called, sent));
}
#endif

TEST_F(QuerySocketTest, DatagramsAreJoinedWithEveryHeaderKept) {
  const std::string first = kHeader + "\\mapname\\q3dm17\n";
  const std::string second = kHeader + "1 2 \"a\"\n";
  const int id = AddRaw({first, second});
  // The second datagram is read only if it is already there after the first;
  // give it the chance a busy machine may deny once.
  std::optional<std::string> answer;
  for (int attempt = 0; attempt < 5; ++attempt) {
    QuerySocket socket("127.0.0.1", farm_.Port(id), "");
    answer = socket.RequestStatus();
    ASSERT_TRUE(answer.has_value());
    if (answer->size() == first.size() + second.size()) break;
  }
  EXPECT_EQ(*answer, first + second);
}

TEST_F(QuerySocketTest, AnswerIsCutTo8191Characters) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig();
  config.padTo = 9000;
  const int id = farm_.AddServer(config);
  QuerySocket socket("127.0.0.1", farm_.Port(id), "");
  const auto answer = socket.RequestStatus();
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->size(), 8191u);

  // Two datagrams whose sum is too long: the second loses its tail.
  const int two = AddRaw({std::string(5000, 'a'), std::string(5000, 'b')});
  QuerySocket joined("127.0.0.1", farm_.Port(two), "");
  const auto both = joined.RequestStatus();
  ASSERT_TRUE(both.has_value());
  EXPECT_LE(both->size(), 8191u);
  if (both->size() > 5000) {
    EXPECT_EQ(*both, std::string(5000, 'a') + std::string(3191, 'b'));
  }
}

// Hostile servers: the flood behind an answer stays in that server's exchange, an answer
// from another port is joined behind the garbage that came first (datagrams from any
// sender count, in arrival order), and an answer of 8192 backslashes parses to nothing.
TEST_F(QuerySocketTest, HostileAnswersStayInTheirOwnExchange) {
  const q3sim::ServerConfig flood = q3sim::MakeHostileConfig(q3sim::HostileKind::kFlood, 1);
  // A last datagram read that starts with a zero byte would void the whole answer, and
  // which flood datagram comes last depends on the receive buffer: none may start so.
  for (const std::string& d : q3sim::FloodDatagrams(flood.floodAfter, flood.floodSeed))
    ASSERT_NE(d.front(), '\0');
  const int floodId = farm_.AddServer(flood);
  const q3sim::ServerConfig honest = q3sim::DefaultServerConfig("Honest");
  const int honestId = farm_.AddServer(honest);
  for (int round = 0; round < 3; ++round) {
    QuerySocket hostile("127.0.0.1", farm_.Port(floodId), "");
    const auto answer = hostile.RequestStatus();
    ASSERT_TRUE(answer.has_value());
    EXPECT_LE(answer->size(), 8191u);
    const std::string reply = q3sim::StatusResponse(flood, "");
    EXPECT_EQ(answer->substr(0, reply.size()), reply);
    // The next exchange, on a socket of its own, sees its server's answer alone.
    QuerySocket next("127.0.0.1", farm_.Port(honestId), "");
    EXPECT_EQ(next.RequestStatus(), q3sim::StatusResponse(honest, ""));
  }

  const q3sim::ServerConfig moved = q3sim::MakeHostileConfig(q3sim::HostileKind::kOtherPort, 2);
  ASSERT_TRUE(moved.strayBeforeReply);
  const int movedId = farm_.AddServer(moved);
  const std::string stray = q3sim::StrayDatagram(moved.floodSeed);
  const std::string reply = q3sim::StatusResponse(moved, "");
  std::optional<std::string> answer;
  for (int attempt = 0; attempt < 5; ++attempt) {  // as in the join test above
    QuerySocket socket("127.0.0.1", farm_.Port(movedId), "");
    answer = socket.RequestStatus();
    ASSERT_TRUE(answer.has_value());
    if (answer->size() > stray.size()) break;
  }
  EXPECT_EQ(*answer, (stray + reply).substr(0, 8191));

  const int slashes =
      farm_.AddServer(q3sim::MakeHostileConfig(q3sim::HostileKind::kBackslashes8192, 3));
  QuerySocket socket("127.0.0.1", farm_.Port(slashes), "");
  EXPECT_EQ(socket.QueryStatus(), 0);
  EXPECT_EQ(socket.Status().PairCount(), 0);
  EXPECT_EQ(socket.Status().Players().Count(), 0);
  EXPECT_LT(socket.Ping(), 9999);
}

TEST_F(QuerySocketTest, RconRequestLayout) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig();
  config.rconPassword = std::string(63, 'p');
  const int id = farm_.AddServer(config);
  {
    QuerySocket socket("127.0.0.1", farm_.Port(id), "");
    EXPECT_TRUE(socket.SendRcon("status").has_value());
    EXPECT_EQ(LastRequest(id), kPrefix + "rcon  status" + kZero);
  }
  QuerySocket socket("127.0.0.1", farm_.Port(id), std::string(70, 'p'));
  const auto answer = socket.SendRcon("echo cut");
  EXPECT_EQ(LastRequest(id), kPrefix + "rcon " + std::string(63, 'p') + " echo cut" + kZero);
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->find("Bad rconpassword"), std::string::npos);
}

TEST_F(QuerySocketTest, LongRconCommandIsCutToFitTheBuffer) {
  const int id = farm_.AddServer(q3sim::DefaultServerConfig());
  QuerySocket socket("127.0.0.1", farm_.Port(id), "pw");
  socket.SendRcon(std::string(20000, 'c'));
  const std::string request = LastRequest(id);
  ASSERT_EQ(request.size(), 8192u);
  EXPECT_EQ(request.substr(0, 12), kPrefix + "rcon pw ");
  EXPECT_EQ(request.find('\0'), 8191u);
}

TEST_F(QuerySocketTest, ZeroBytesEndADatagramsText) {
  // Only a datagram starting with a zero byte: no answer.
  const int zero = AddRaw({std::string("\0abc", 4)});
  QuerySocket silent("127.0.0.1", farm_.Port(zero), "");
  EXPECT_EQ(silent.QueryStatus(), -1);
  EXPECT_EQ(silent.Ping(), 9999);
  // Text stops at the zero byte inside a datagram.
  const int inside = AddRaw({kHeader + std::string("\\a\\1\n\0\\b\\2\n", 11)});
  QuerySocket cut("127.0.0.1", farm_.Port(inside), "");
  EXPECT_EQ(cut.RequestStatus(), kHeader + "\\a\\1\n");
}

TEST_F(QuerySocketTest, EmptyDatagramIsNoAnswer) {
  const int id = AddRaw({std::string()});
  QuerySocket socket("127.0.0.1", farm_.Port(id), "");
  EXPECT_FALSE(socket.RequestStatus().has_value());
  EXPECT_EQ(socket.Ping(), 9999);
}

TEST_F(QuerySocketTest, UnresolvableHostFailsWithoutWaiting) {
  const auto start = std::chrono::steady_clock::now();
  QuerySocket socket("nosuchhost.invalid", 27960, "");
  EXPECT_FALSE(socket.HasAddress());
  EXPECT_EQ(socket.QueryStatus(), -1);
  EXPECT_EQ(socket.Ping(), 9999);
  EXPECT_FALSE(socket.SendRcon("status").has_value());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1900ms);  // no 2-second wait
  QuerySocket empty("", 27960, "");
  EXPECT_EQ(empty.QueryStatus(), -1);
}

TEST_F(QuerySocketTest, HostNamesResolveThroughTheSystem) {
  const int id = AddRaw({kHeader + "\\mapname\\q3dm17\n"});
  QuerySocket byName("localhost", farm_.Port(id), "");
  EXPECT_EQ(byName.QueryStatus(), 1);
  QuerySocket shortForm("127.1", farm_.Port(id), "");  // inet_addr reads this too
  EXPECT_EQ(shortForm.QueryStatus(), 1);
}

}  // namespace
}  // namespace vyk
