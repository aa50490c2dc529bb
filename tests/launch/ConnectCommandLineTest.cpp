#include <gtest/gtest.h>

#include "config/ConfigFile.h"
#include "core/ServerInfo.h"
#include "launch/ConnectCommandLine.h"

namespace vyk {
namespace {

ServerInfo Server(const std::string& gamename) {
  ServerInfo server("10.0.0.5", 27960);
  if (!gamename.empty()) server.info.push_back({"gamename", gamename});
  return server;
}

TEST(BuildConnectCommandLine, PartsStandInTheirOrderWithSingleBlanks) {
  Settings s;
  s.useFsGame = 1;
  s.param = "+set r_mode 4  +com_hunkmegs 128";
  EXPECT_EQ(BuildConnectCommandLine(Server("osp"), "pw", s, "^1Big ^7Guy"),
            "+set fs_game osp +connect 10.0.0.5:27960 +set r_mode 4  +com_hunkmegs 128"
            " +name \"^1Big ^7Guy\" +password pw");
}

TEST(BuildConnectCommandLine, EachPartOnlyWhenItApplies) {
  Settings s;  // fs_game off, no param, alias on
  EXPECT_EQ(BuildConnectCommandLine(Server("osp"), "", s, ""), "+connect 10.0.0.5:27960");
  EXPECT_EQ(BuildConnectCommandLine(Server("osp"), "", s, "me"),
            "+connect 10.0.0.5:27960 +name \"me\"");
  s.useAlias = 0;
  EXPECT_EQ(BuildConnectCommandLine(Server("osp"), "", s, "me"), "+connect 10.0.0.5:27960");
  s.useFsGame = 1;
  EXPECT_EQ(BuildConnectCommandLine(Server(""), "", s, ""), "+connect 10.0.0.5:27960");
  EXPECT_EQ(BuildConnectCommandLine(Server("My-mod_2.1"), "", s, ""),
            "+set fs_game My-mod_2.1 +connect 10.0.0.5:27960");
  EXPECT_EQ(BuildConnectCommandLine(Server("a.b"), "", s, ""),
            "+set fs_game a.b +connect 10.0.0.5:27960");
}

TEST(BuildConnectCommandLine, ServerChosenModNeverAddsCommands) {
  Settings s;
  s.useFsGame = 1;
  for (const char* hostile :
       {"baseq3 +exec x", "baseq3\"+exec x", "..", ".", "../baseq3", "a/b", "a\\b", "mod;quit",
        "base\tq3", "\xE9t\xE9", "...", "..a", "a..", "osp..cpma", "+set", "-game"}) {
    EXPECT_EQ(BuildConnectCommandLine(Server(hostile), "", s, ""), "+connect 10.0.0.5:27960")
        << hostile;
  }
}

}  // namespace
}  // namespace vyk
