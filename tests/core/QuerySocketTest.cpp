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

// The token of a "getstatus <token>" request; empty for any other.
std::string TokenOf(const std::optional<std::string>& request) {
  const std::string head = kPrefix + "getstatus ";
  if (!request || request->rfind(head, 0) != 0 || request->back() != '\0') return {};
  return request->substr(head.size(), request->size() - head.size() - 1);
}

// A server played by the test: the exchange runs on a thread of its own, and
// the test reads its requests and answers them as it pleases.
class Scripted {
 public:
  // 4 quarters of 1.2 s: attempts 300 ms apart.
  static constexpr auto kWait = std::chrono::milliseconds(1200);

  Scripted() {
    client_ = std::thread([this] {
      QuerySocket socket("127.0.0.1", server_.Port(), "", kWait);
      called_ = SteadyNow();
      answer = socket.RequestStatus(4);
      returned_ = SteadyNow();
      ping = socket.Ping();
      sent = socket.AttemptsSent();
      answered = socket.AnsweredAttempt();
      uncertain = socket.PingUncertain();
    });
  }
  ~Scripted() { Finish(); }

  // The next request's token, noting when it came.
  std::string NextToken() {
    const std::optional<std::string> request = server_.Recv(2000, &clientPort_);
    received_.push_back(SteadyNow());
    return TokenOf(request);
  }
  // Sends and returns the moment it left.
  SteadyTime Send(const std::string& datagram) {
    server_.Send(clientPort_, datagram);
    return SteadyNow();
  }
  void Finish() {
    if (client_.joinable()) client_.join();
  }
  SteadyTime Received(int attempt) const { return received_[static_cast<std::size_t>(attempt)]; }
  // Whole milliseconds the exchange took, less the least the client waits
  // before its second attempt.
  std::int64_t ElapsedAfterSecondAttempt() const {
    return ElapsedMilliseconds(called_, returned_) -
           std::chrono::duration_cast<std::chrono::milliseconds>(kWait / 4).count() + 1;
  }

  std::optional<std::string> answer;
  std::int32_t ping = -1;
  int sent = 0;
  int answered = -2;
  bool uncertain = false;

 private:
  q3sim_test::Client server_;
  std::uint16_t clientPort_ = 0;
  std::vector<SteadyTime> received_;
  SteadyTime called_{};
  SteadyTime returned_{};
  std::thread client_;
};

std::string Echoing(const std::string& token, const std::string& info) {
  return kHeader + "\\challenge\\" + token + info;
}

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

// Retries only while no answer has come, each "getstatus <token>" with a token
// of its own; the echoed pair leaves the text as if no token had been sent,
// and a continuation that repeats the header is still joined.
TEST_F(QuerySocketTest, RetriesOnlyWhileUnansweredEachWithItsOwnToken) {
  const q3sim::ServerConfig config = q3sim::DefaultServerConfig();
  const int id = farm_.AddServer(config);
  QuerySocket socket("127.0.0.1", farm_.Port(id), "");
  EXPECT_EQ(socket.RequestStatus(4), q3sim::StatusResponse(config, ""));
  EXPECT_EQ(farm_.Stats(id).requests, 1u);
  EXPECT_EQ(TokenOf(LastRequest(id)).size(), 8u);
  EXPECT_EQ(socket.AttemptsSent(), 1);
  EXPECT_EQ(socket.AnsweredAttempt(), 0);
  EXPECT_FALSE(socket.PingUncertain());

  q3sim::ServerConfig split = config;
  split.splitInto = 2;
  split.splitRepeatsHeader = true;
  const int splitId = farm_.AddServer(split);
  std::optional<std::string> tokened;
  std::string expected;
  for (int attempt = 0; attempt < 5; ++attempt) {  // as in the join test below
    QuerySocket retrying("127.0.0.1", farm_.Port(splitId), "");
    tokened = retrying.RequestStatus(4);
    const std::string token = TokenOf(LastRequest(splitId));
    expected.clear();
    for (const std::string& piece :
         q3sim::SplitDatagram(q3sim::StatusResponse(split, token), 2, true))
      expected += piece;
    const std::string pair = "\\challenge\\" + token;
    ASSERT_NE(expected.find(pair), std::string::npos);
    expected.erase(expected.find(pair), pair.size());
    if (tokened == expected) break;
  }
  EXPECT_EQ(tokened, expected);

  Scripted silent;
  std::vector<std::string> tokens;
  for (int attempt = 0; attempt < 4; ++attempt) tokens.push_back(silent.NextToken());
  silent.Finish();
  EXPECT_FALSE(silent.answer.has_value());
  EXPECT_EQ(silent.ping, 9999);
  EXPECT_EQ(silent.sent, 4);
  EXPECT_EQ(silent.answered, -1);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    EXPECT_EQ(tokens[i].find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyz"),
              std::string::npos);
    EXPECT_EQ(tokens[i].size(), 8u);
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(tokens[i], tokens[j]);
  }
}

// The ping runs from the send of the attempt the answer echoes: a late answer
// to the first attempt is timed from the first, an answer to the second from
// the second.
TEST_F(QuerySocketTest, TheAnsweredAttemptTimesThePing) {
  {
    Scripted old;
    const std::string first = old.NextToken();
    old.NextToken();
    const SteadyTime sent = old.Send(Echoing(first, "\\mapname\\q3dm17\n"));
    old.Finish();
    EXPECT_EQ(old.answer, kHeader + "\\mapname\\q3dm17\n");
    EXPECT_EQ(old.sent, 2);
    EXPECT_EQ(old.answered, 0);
    EXPECT_FALSE(old.uncertain);
    EXPECT_GE(old.ping, ElapsedMilliseconds(old.Received(0), sent) - 1);
  }
  Scripted newest;
  newest.NextToken();
  const std::string second = newest.NextToken();
  newest.Send(Echoing(second, "\\mapname\\q3dm17\n"));
  newest.Finish();
  EXPECT_EQ(newest.answered, 1);
  EXPECT_GE(newest.ping, 0);
  EXPECT_LE(newest.ping, newest.ElapsedAfterSecondAttempt());
}

// An answer with a token that is none of ours is no answer; after the one
// that counts, the whole answer to another attempt is not joined; a server
// that echoes nothing keeps the first attempt's ping, marked uncertain.
TEST_F(QuerySocketTest, OtherAnswersAreNotTakenForTheOne) {
  {
    Scripted stranger;
    const std::string first = stranger.NextToken();
    const std::string second = stranger.NextToken();
    stranger.Send(Echoing("zzzzzzzz", "\\mapname\\forged\n"));
    stranger.Send(Echoing(second, "\\mapname\\two\n"));
    stranger.Send(Echoing(first, "\\mapname\\one\n"));
    stranger.Finish();
    EXPECT_EQ(stranger.answer, kHeader + "\\mapname\\two\n");
    EXPECT_EQ(stranger.answered, 1);
  }
  Scripted mute;
  mute.NextToken();
  mute.NextToken();
  const std::string whole = kHeader + "\\mapname\\q3dm17\n1 2 \"a\"\n";
  const SteadyTime sent = mute.Send(whole);
  mute.Send(whole);
  mute.Finish();
  EXPECT_EQ(mute.answer, whole);
  EXPECT_EQ(mute.sent, 2);
  EXPECT_EQ(mute.answered, -1);
  EXPECT_TRUE(mute.uncertain);
  EXPECT_GE(mute.ping, ElapsedMilliseconds(mute.Received(0), sent) - 1);
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
