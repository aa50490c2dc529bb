#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "Farm.h"
#include "Replies.h"
#include "LaunchFakes.h"
#include "core/ServerInfo.h"
#include "launch/RemoteConsole.h"

namespace vyk {
namespace {

const std::string kPrint("\xFF\xFF\xFF\xFFprint\n");

TEST(CleanRconAnswer, DropsEveryHeaderAndDoublesTheCarriageReturns) {
  EXPECT_EQ(CleanRconAnswer(kPrint + "map: q3dm17\n" + kPrint + "num score\n"),
            "map: q3dm17\r\r\nnum score\r\r\n");
  EXPECT_EQ(CleanRconAnswer(kPrint + "first" + kPrint + "second"), "firstsecond");
  // No header: only the line breaks change.
  EXPECT_EQ(CleanRconAnswer("\xFF\xFF\xFF\xFFother\nline\n"),
            "\xFF\xFF\xFF\xFFother\r\r\nline\r\r\n");
  EXPECT_EQ(CleanRconAnswer("dos\r\n"), "dos\r\r\r\n");
  EXPECT_EQ(CleanRconAnswer(""), "");
  // A header made by joining the pieces around a removed one is not removed again.
  EXPECT_EQ(CleanRconAnswer(std::string("\xFF\xFF") + kPrint + "\xFF\xFFprint\nx"),
            "\xFF\xFF\xFF\xFFprint\r\r\nx");
}

class RemoteConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The farm's console echoes each command back.
    q3sim::ServerConfig config = q3sim::DefaultServerConfig();
    config.rconPassword = "secret";
    id_ = farm_.AddServer(config);
    ASSERT_GE(id_, 0);
    ASSERT_TRUE(farm_.Start());
    server_ = ServerInfo("127.0.0.1", farm_.Port(id_));
  }

  test::RecordingStatus status_;
  q3sim::Farm farm_;
  int id_ = -1;
  ServerInfo server_;
};

TEST_F(RemoteConsoleTest, SendsWithTheTypedPasswordAndShowsTheCleanedAnswer) {
  auto shown = RunRemoteCommand(server_, "secret", "say hello");
  ASSERT_TRUE(shown);
  EXPECT_EQ(*shown, "say hello\r\r\n");
  EXPECT_EQ(server_.password, "secret");
  EXPECT_THAT(status_.shown, ElementsAre("  RCON :say hello ON " + server_.Address(), "  Ready"));

  // A refusal is shown like any answer.
  EXPECT_EQ(RunRemoteCommand(server_, "wrong", "status"), "Bad rconpassword.\r\r\n");
  EXPECT_EQ(server_.password, "wrong");
}

TEST_F(RemoteConsoleTest, TwoDatagramsJoinWithoutTheirHeaders) {
  // The server's settings, one long value among them, fill two "print"
  // datagrams. The second is read only if it is already there after the
  // first; give it the chances a busy machine (or a sanitizer) may deny.
  ASSERT_TRUE(farm_.Modify(id_, [](q3sim::ServerConfig& c) {
    c.SetInfo("sv_motd", std::string(q3sim::kRconChunk, 'a'));
  }));
  std::string joined;
  for (char c : q3sim::DefaultRconOutput(farm_.Config(id_), "serverinfo"))
    joined += c == '\n' ? std::string("\r\r\n") : std::string(1, c);
  std::optional<std::string> shown;
  for (int attempt = 0; attempt < 5 && shown != joined; ++attempt) {
    shown = RunRemoteCommand(server_, "secret", "serverinfo");
    ASSERT_TRUE(shown);
  }
  EXPECT_EQ(*shown, joined);
}

TEST_F(RemoteConsoleTest, FieldsAreCutToTheirEditLimits) {
  RunRemoteCommand(server_, std::string(300, 'p'), std::string(1100, 'z'));
  EXPECT_EQ(server_.password, std::string(249, 'p'));
  // The socket itself cuts the password further; the command goes whole.
  const std::string sent = farm_.Stats(id_).lastRequest;
  EXPECT_EQ(std::count(sent.begin(), sent.end(), 'z'), 1022);
}

TEST_F(RemoteConsoleTest, RecordWithoutHostDoesNothing) {
  server_.host.clear();
  server_.password = "kept";
  EXPECT_FALSE(RunRemoteCommand(server_, "secret", "status"));
  EXPECT_EQ(server_.password, "kept");
  EXPECT_THAT(status_.shown, IsEmpty());
  EXPECT_EQ(farm_.Stats(id_).requests, 0u);
}

}  // namespace
}  // namespace vyk
