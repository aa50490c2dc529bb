#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "PlatformSkip.h"
#include "Farm.h"
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
    // The farm answers rcon through a function of this process.
    VYK_SKIP_ON_WINDOWS("a farm in this process");
    q3sim::ServerConfig config = q3sim::DefaultServerConfig();
    config.rconPassword = "secret";
    config.rconHandler = [](const std::string& command) {
      // Long enough to arrive as two "print" datagrams.
      return command == "big" ? std::string(1500, 'a') + "\nend\n" : "ran " + command + "\n";
    };
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
  auto shown = RunRemoteCommand(server_, "secret", "status");
  ASSERT_TRUE(shown);
  EXPECT_EQ(*shown, "ran status\r\r\n");
  EXPECT_EQ(server_.password, "secret");
  EXPECT_THAT(status_.shown, ElementsAre("  RCON :status ON " + server_.Address(), "  Ready"));
  EXPECT_THAT(status_.errors, IsEmpty());

  // A refusal is shown like any answer.
  EXPECT_EQ(RunRemoteCommand(server_, "wrong", "status"), "Bad rconpassword.\r\r\n");
  EXPECT_EQ(server_.password, "wrong");
}

TEST_F(RemoteConsoleTest, TwoDatagramsJoinWithoutTheirHeaders) {
  // The second datagram is read only if it is already there after the
  // first; give it the chance a busy machine (or a sanitizer) may deny.
  const std::string joined = std::string(1500, 'a') + "\r\r\nend\r\r\n";
  std::optional<std::string> shown;
  for (int attempt = 0; attempt < 5 && shown != joined; ++attempt) {
    shown = RunRemoteCommand(server_, "secret", "big");
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
