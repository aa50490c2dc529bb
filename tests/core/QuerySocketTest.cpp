// The UDP exchange against scripted peers on 127.0.0.1.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LocalResponder.h"
#include "core/QuerySocket.h"

namespace vyk {
namespace {

using test::LocalResponder;
using namespace std::chrono_literals;

const std::string kPrefix = "\xFF\xFF\xFF\xFF";
const std::string kHeader = kPrefix + "statusResponse\n";

TEST(QuerySocketTest, StatusRequestIs14BytesEndingInZero) {
  LocalResponder server({{kHeader + "\\mapname\\q3dm17\n"}});
  QuerySocket socket("127.0.0.1", server.Port(), "secret");
  ASSERT_TRUE(socket.RequestStatus().has_value());
  const std::string request = server.Request();
  ASSERT_EQ(request.size(), 14u);
  EXPECT_EQ(request, kPrefix + "getstatus" + std::string(1, '\0'));
  EXPECT_EQ(server.RequestCount(), 1);
}

TEST(QuerySocketTest, AnsweredStatusIsParsedAndTimed) {
  LocalResponder server({{kHeader + "\\sv_hostname\\Arena\\mapname\\q3dm17\n1 2 \"a\"\n"}});
  QuerySocket socket("127.0.0.1", server.Port(), "");
  EXPECT_EQ(socket.QueryStatus(), 3);
  EXPECT_EQ(socket.PairCount(), 2);
  EXPECT_EQ(socket.Pair(1).value, "Arena");
  EXPECT_EQ(socket.Players().Count(), 1);
  EXPECT_GE(socket.Ping(), 0);
  EXPECT_LT(socket.Ping(), 1000);
}

TEST(QuerySocketTest, LateAnswerCountsAsSilence) {
  LocalResponder server({{kHeader + "\\mapname\\q3dm17\n", 2500ms}});
  QuerySocket socket("127.0.0.1", server.Port(), "");
  EXPECT_EQ(socket.QueryStatus(), -1);
  EXPECT_EQ(socket.Ping(), 9999);
  EXPECT_EQ(socket.PairCount(), 0);
  EXPECT_EQ(server.RequestCount(), 1);  // no retry
}

TEST(QuerySocketTest, DatagramsAreJoinedWithEveryHeaderKept) {
  const std::string first = kHeader + "\\mapname\\q3dm17\n";
  const std::string second = kHeader + "1 2 \"a\"\n";
  LocalResponder server({{first}, {second}});
  // The second datagram is read only if it is already there after the first;
  // give it the chance a busy machine may deny once.
  std::optional<std::string> answer;
  for (int attempt = 0; attempt < 5; ++attempt) {
    QuerySocket socket("127.0.0.1", server.Port(), "");
    answer = socket.RequestStatus();
    ASSERT_TRUE(answer.has_value());
    if (answer->size() == first.size() + second.size()) break;
  }
  EXPECT_EQ(*answer, first + second);
}

TEST(QuerySocketTest, AnswerIsCutTo8191Characters) {
  {
    // One datagram larger than the receive area.
    LocalResponder server({{kHeader + std::string(9000 - kHeader.size(), 'a')}});
    QuerySocket socket("127.0.0.1", server.Port(), "");
    const auto answer = socket.RequestStatus();
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->size(), 8191u);
  }
  {
    // Two datagrams whose sum is too long: the second loses its tail.
    LocalResponder server({{std::string(5000, 'a')}, {std::string(5000, 'b')}});
    QuerySocket socket("127.0.0.1", server.Port(), "");
    const auto answer = socket.RequestStatus();
    ASSERT_TRUE(answer.has_value());
    EXPECT_LE(answer->size(), 8191u);
    if (answer->size() > 5000) {
      EXPECT_EQ(*answer, std::string(5000, 'a') + std::string(3191, 'b'));
    }
  }
}

TEST(QuerySocketTest, RconRequestLayout) {
  LocalResponder server({{kPrefix + "print\nok\n"}});
  {
    QuerySocket socket("127.0.0.1", server.Port(), "");
    EXPECT_EQ(socket.SendRcon("status"), kPrefix + "print\nok\n");
    EXPECT_EQ(server.Request(), kPrefix + "rcon  status" + std::string(1, '\0'));
  }
  LocalResponder longPassword({{kPrefix + "print\n"}});
  QuerySocket socket("127.0.0.1", longPassword.Port(), std::string(70, 'p'));
  socket.SendRcon("map q3dm1");
  EXPECT_EQ(longPassword.Request(),
            kPrefix + "rcon " + std::string(63, 'p') + " map q3dm1" + std::string(1, '\0'));
}

TEST(QuerySocketTest, LongRconCommandIsCutToFitTheBuffer) {
  LocalResponder server({{kPrefix + "print\n"}});
  QuerySocket socket("127.0.0.1", server.Port(), "pw");
  socket.SendRcon(std::string(20000, 'c'));
  const std::string request = server.Request();
  ASSERT_EQ(request.size(), 8192u);
  EXPECT_EQ(request.back(), '\0');
  EXPECT_EQ(request.substr(0, 12), kPrefix + "rcon pw ");
  EXPECT_EQ(request.find('\0'), 8191u);
}

TEST(QuerySocketTest, ZeroBytesEndADatagramsText) {
  {
    // Only a datagram starting with a zero byte: no answer.
    LocalResponder server({{std::string("\0abc", 4)}});
    QuerySocket socket("127.0.0.1", server.Port(), "");
    EXPECT_EQ(socket.QueryStatus(), -1);
    EXPECT_EQ(socket.Ping(), 9999);
  }
  {
    // Text stops at the zero byte inside a datagram.
    LocalResponder server({{kHeader + std::string("\\a\\1\n\0\\b\\2\n", 11)}});
    QuerySocket socket("127.0.0.1", server.Port(), "");
    EXPECT_EQ(socket.RequestStatus(), kHeader + "\\a\\1\n");
  }
}

TEST(QuerySocketTest, EmptyDatagramIsNoAnswer) {
  LocalResponder server({{std::string()}});
  QuerySocket socket("127.0.0.1", server.Port(), "");
  EXPECT_FALSE(socket.RequestStatus().has_value());
  EXPECT_EQ(socket.Ping(), 9999);
}

TEST(QuerySocketTest, HeaderOnlyAnswerSucceedsWithNothingParsed) {
  LocalResponder server({{kHeader}});
  QuerySocket socket("127.0.0.1", server.Port(), "");
  EXPECT_EQ(socket.QueryStatus(), 0);
  EXPECT_LT(socket.Ping(), 9999);
}

TEST(QuerySocketTest, UnresolvableHostFailsWithoutWaiting) {
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

TEST(QuerySocketTest, HostNamesResolveThroughTheSystem) {
  LocalResponder server({{kHeader + "\\mapname\\q3dm17\n"}});
  QuerySocket byName("localhost", server.Port(), "");
  EXPECT_EQ(byName.QueryStatus(), 1);
  QuerySocket shortForm("127.1", server.Port(), "");  // inet_addr reads this too
  EXPECT_EQ(shortForm.QueryStatus(), 1);
}

TEST(QuerySocketTest, ManyThreadsEachGetTheirOwnServer) {
  constexpr int kCount = 64;
  std::vector<std::unique_ptr<LocalResponder>> servers;
  for (int i = 0; i < kCount; ++i) {
    servers.push_back(std::make_unique<LocalResponder>(std::vector<LocalResponder::Reply>{
        {kHeader + "\\sv_hostname\\server" + std::to_string(i) + "\\mapname\\q3dm17\n" +
         std::to_string(i) + " 5 \"p" + std::to_string(i) + "\"\n"}}));
  }
  std::atomic<int> right{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kCount; ++i) {
    threads.emplace_back([&, i] {
      QuerySocket socket("127.0.0.1", servers[static_cast<std::size_t>(i)]->Port(), "");
      if (socket.QueryStatus() == 3 && socket.Pair(1).value == "server" + std::to_string(i) &&
          socket.Players()[0].score == i && socket.Players()[0].name == "p" + std::to_string(i))
        ++right;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(right.load(), kCount);
}

}  // namespace
}  // namespace vyk
