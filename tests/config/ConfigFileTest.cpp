#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "StatusFakes.h"
#include "TestHome.h"
#include "config/ConfigFile.h"
#include "core/StatusLine.h"
#include "platform/ProfileFile.h"

namespace vyk {
namespace {

using test::ReadFile;
using test::WriteFile;

class SettingsTest : public ::testing::Test {
 protected:
  std::optional<std::string> Stored(const std::string& section, const std::string& key) {
    return ProfileFile::Read(ConfigFilePath(), section, key);
  }
  test::TestHome home_;
};

TEST_F(SettingsTest, FirstLoadWritesEveryKeyWithItsDefault) {
  EXPECT_FALSE(ConfigFileExists());
  Settings settings;
  LoadSettings(settings);
  EXPECT_TRUE(ConfigFileExists());
  EXPECT_EQ(ConfigFilePath(), home_.Dir() + "Config.ini");

  const std::string dir = home_.Dir();
  EXPECT_EQ(settings.serverListPath, dir + "server.vyk");
  EXPECT_EQ(settings.buddyListPath, dir + "player.vyk");
  EXPECT_EQ(settings.aliasListPath, dir + "Alias.vyk");
  EXPECT_EQ(settings.maxThread, 16);
  EXPECT_EQ(settings.masterServerPort, 27950);
  EXPECT_EQ(settings.textColor, MakeColor(180, 180, 180));

  const std::string file = ReadFile(ConfigFilePath());
  const char* expected[][3] = {
      {"info", "bgColor", "(0,0,0)"},
      {"info", "TextColor", "(180,180,180)"},
      {"info", "SelectedTextColor", "(255,0,0)"},
      {"info", "BuddyColor", "(255,0,0)"},
      {"info", "FavoriteColor", "(0,180,180)"},
      {"info", "MaxThread", "16"},
      {"info", "MasterServer", kDefaultMasterServer},
      {"info", "MasterServerPort", "27950"},
      {"info", "AddOnDirectRun", "1"},
      {"quake3", "protocol", "66"},
      {"quake3", "Use_fs_game", "0"},
      {"Filter", "HideTimeOut", "1"},
      {"Filter", "HideFull", "0"},
      {"Filter", "HideEmpty", "0"},
      {"Filter", "OnlyBuddy", "0"},
      {"Filter", "MaxPing", "9999"},
      {"quake3", "SwitchProtocol", "1"},
      {"info", "LastServerSort", "4"},
      {"quake3", "UseAlias", "1"},
      {"info", "CopyIRCFormat", "1"},
      {"info", "DisplayOnReload", "1"},
      {"info", "Minimize", "1"},
      {"Filter", "GoodPing", "40"},
      {"Filter", "BadPing", "90"},
      {"info", "LocalOnly", "0"},
      {"info", "MoreMasters", "directory.ioquake3.org:27950 dpmaster.deathmask.net:27950"},
      {"quake3", "MoreProtocols", "68 71"},
      {"Filter", "HideBotOnly", "0"},
      {"info", "AutoRefresh", "0"},
      {"info", "QueryAttempts", "4"},
  };
  for (auto& e : expected) EXPECT_EQ(Stored(e[0], e[1]), e[2]) << e[1];
  EXPECT_EQ(Stored("info", "ServerList"), dir + "server.vyk");
  EXPECT_EQ(Stored("info", "PlayerList"), dir + "player.vyk");
  EXPECT_EQ(Stored("info", "AliasList"), dir + "Alias.vyk");
  // Empty strings are written as keys too, so every field has its key.
  EXPECT_EQ(Stored("quake3", "path"), "");
  EXPECT_EQ(Stored("quake3", "Param"), "");
  EXPECT_EQ(std::count(file.begin(), file.end(), '='), 35);

  // A second load changes nothing.
  ProfileFile::DropCache();
  Settings again;
  LoadSettings(again);
  EXPECT_EQ(ReadFile(ConfigFilePath()), file);
}

TEST_F(SettingsTest, LoadReadsTheFileWithoutCaseAndAnnouncesItself) {
  WriteFile(ConfigFilePath(),
            "[INFO]\r\nmaxthread=3\r\nMasterServer=127.0.0.1\r\nMasterServerPort=93486\r\n"
            "bgColor=(1,2,3)\r\nMoreMasters= \r\n[quake3]\r\nParam=+set fs_game osp \r\n"
            "path=/games/q3/quake3\r\nMoreProtocols=71\r\n"
            "[Filter]\r\nMaxPing=\r\nOnlyBuddy=1\r\n[Display]\r\nOnlyBuddy=0\r\n");
  test::RecordingStatus sink;
  Settings settings;
  settings.maxPing = 120;
  LoadSettings(settings);

  EXPECT_EQ(sink.shown, (std::vector<std::string>{"  Loading Config", "  Ready"}));
  EXPECT_EQ(settings.maxThread, 3);
  EXPECT_EQ(settings.masterServer, "127.0.0.1");
  EXPECT_EQ(settings.masterServerPort, 27950);  // low 16 bits of 93486
  EXPECT_EQ(settings.bgColor, MakeColor(1, 2, 3));
  EXPECT_EQ(settings.param, "+set fs_game osp");
  EXPECT_EQ(settings.gamePath, "/games/q3/quake3");
  EXPECT_EQ(settings.onlyBuddy, 1);
  EXPECT_EQ(settings.maxPing, 9999);  // empty value: rewritten with 9999, not the field
  EXPECT_EQ(Stored("Filter", "MaxPing"), "9999");
  EXPECT_EQ(Stored("Display", "OnlyBuddy"), "0");
  // No more masters is a value of its own: it stays empty, unlike MaxPing.
  EXPECT_EQ(settings.moreMasters, "");
  EXPECT_EQ(Stored("info", "MoreMasters"), "");
  EXPECT_EQ(settings.moreProtocols, "71");
}

TEST_F(SettingsTest, IntegersReadLikeAtolAndMalformedOnesStay) {
  WriteFile(ConfigFilePath(),
            "[info]\nMaxThread=abc\nGoodPing=  -12ms\nBadPing=+7\nHuge=99999999999\n");
  EXPECT_EQ(ReadProfileInt("info", "MaxThread", 16), 0);
  EXPECT_EQ(Stored("info", "MaxThread"), "abc");
  EXPECT_EQ(ReadProfileInt("info", "GoodPing", 40), -12);
  EXPECT_EQ(ReadProfileInt("info", "BadPing", 90), 7);
  EXPECT_EQ(ReadProfileInt("info", "Huge", 0), 2147483647);
  EXPECT_EQ(ReadProfileInt("info", "Missing", -5), -5);
  EXPECT_EQ(Stored("info", "Missing"), "-5");
  WriteProfileInt("info", "Missing", 77);
  EXPECT_EQ(ReadRawProfileString("info", "Missing"), "77");
  EXPECT_EQ(ReadRawProfileString("info", "Absent"), "");
  EXPECT_EQ(Stored("info", "Absent"), std::nullopt);  // raw reads never write

  Settings settings;
  settings.masterServerPort = 1;
  WriteProfileString("info", "MasterServerPort", "-1");
  LoadSettings(settings);
  EXPECT_EQ(settings.masterServerPort, 65535);
}

TEST_F(SettingsTest, ColoursScanLikePercentIAndBadOnesAreReplaced) {
  WriteFile(ConfigFilePath(),
            "[info]\nc1=(0x10,020,5)\nc2=(300,0,0)\nc3=(1,2)\nc4=red\nc5=(-1, 0X0f ,+9)\n"
            "c6=(1,2,3,4)\nc7=(08,1,1)\n");
  const Color def = MakeColor(9, 8, 7);
  EXPECT_EQ(ReadProfileColor("info", "c1", def), MakeColor(16, 16, 5));
  EXPECT_EQ(ReadProfileColor("info", "c2", def), MakeColor(44, 0, 0));
  EXPECT_EQ(ReadProfileColor("info", "c3", def), def);
  EXPECT_EQ(Stored("info", "c3"), "(9,8,7)");
  EXPECT_EQ(ReadProfileColor("info", "c4", def), def);
  EXPECT_EQ(Stored("info", "c4"), "(9,8,7)");
  EXPECT_EQ(ReadProfileColor("info", "c5", def), def);  // blank before ',' stops the scan
  EXPECT_EQ(ReadProfileColor("info", "c6", def), MakeColor(1, 2, 3));
  EXPECT_EQ(ReadProfileColor("info", "c7", def), def);  // 8 is no octal digit
  EXPECT_EQ(ReadProfileColor("info", "new", def), def);
  EXPECT_EQ(Stored("info", "new"), "(9,8,7)");
  WriteProfileString("info", "c8", "(-1,0x0F,+9)");
  EXPECT_EQ(ReadProfileColor("info", "c8", def), MakeColor(255, 15, 9));
  EXPECT_EQ(FormatColor(MakeColor(255, 0, 128)), "(255,0,128)");
}

TEST_F(SettingsTest, LongValuesComeBackAsTheirFirst259Characters) {
  WriteProfileString("quake3", "path", std::string(400, 'p'));
  EXPECT_EQ(ReadProfileString("quake3", "path", "x"), std::string(259, 'p'));
}

TEST_F(SettingsTest, UnusableConfigFileLeavesTheComputedValues) {
  std::filesystem::create_directory(ConfigFilePath());
  Settings settings;
  LoadSettings(settings);  // every write fails; nothing crashes
  EXPECT_EQ(settings.maxThread, 16);
  EXPECT_EQ(settings.maxPing, 9999);
  EXPECT_EQ(settings.serverListPath, home_.Dir() + "server.vyk");
  EXPECT_TRUE(std::filesystem::is_directory(ConfigFilePath()));
}

TEST_F(SettingsTest, PathHelpers) {
  EXPECT_EQ(DirectoryOf("/games/q3/quake3.x86"), "/games/q3/");
  EXPECT_EQ(DirectoryOf("C:\\Games\\Quake3\\quake3.exe"), "C:\\Games\\Quake3\\");
  EXPECT_EQ(DirectoryOf("quake3"), "");
  EXPECT_FALSE(FileExists(home_.Dir() + "nothing"));
  EXPECT_TRUE(FileExists(home_.Dir()));
  EXPECT_FALSE(FileExists(""));
}

}  // namespace
}  // namespace vyk
