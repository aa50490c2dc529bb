#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "ArgRecord.h"
#include "LaunchFakes.h"
#include "config/ConfigFile.h"
#include "launch/DemoPlayback.h"
#include "launch/GameFiles.h"

namespace vyk {
namespace {

struct Parsed {
  std::string mod, name, protocol, commandLine;
};

Parsed ParseOk(const std::string& gameDir, const std::string& demo) {
  DemoPath d = ParseDemoPath(gameDir, demo);
  EXPECT_EQ(d.error, "") << demo;
  return {d.mod, d.name, d.protocol, DemoCommandLine(d)};
}

std::string ParseError(const std::string& gameDir, const std::string& demo) {
  return ParseDemoPath(gameDir, demo).error;
}

TEST(ParseDemoPath, ReadsModNameAndProtocolKeepingTheirCase) {
  Parsed p = ParseOk("/games/Quake3/", "/games/Quake3/baseq3/demos/Duel.dm_68");
  EXPECT_EQ(p.mod, "baseq3");
  EXPECT_EQ(p.name, "Duel");
  EXPECT_EQ(p.protocol, "68");
  EXPECT_EQ(p.commandLine, " +set fs_game baseq3 +demo Duel.dm_68");

  // The directory, "demos" and the extension match in any case.
  EXPECT_EQ(ParseOk("/games/Quake3/", "/GAMES/quake3/OSP/DEMOS/Final.DM_66").commandLine,
            " +set fs_game OSP +demo Final.DM_66");
  EXPECT_EQ(ParseOk("/games/Quake3/", "/games/Quake3/baseq3/demos/cup/final.dm_66").commandLine,
            " +set fs_game baseq3 +demo cup/final.dm_66");
}

#ifdef _WIN32
// Windows paths separate with '\' and take '/' too (its file dialogs give
// that): the game's folder and the demo's parts are found either way.
TEST(ParseDemoPath, WindowsPathsWithEitherSeparator) {
  const GameFiles game("c:\\games\\quake3\\quake3.exe");
  EXPECT_EQ(game.directory, "c:\\games\\quake3\\");
  EXPECT_EQ(game.file, "quake3.exe");
  EXPECT_EQ(ParseOk(game.directory, "c:\\games\\quake3\\baseq3\\demos\\duel.dm_68").commandLine,
            " +set fs_game baseq3 +demo duel.dm_68");
  EXPECT_EQ(ParseOk(game.directory, "C:/Games/Quake3/osp/demos/cup\\final.dm_66").commandLine,
            " +set fs_game osp +demo cup\\final.dm_66");
}
#endif

TEST(ParseDemoPath, GameDirectoryTextFurtherDownThePathStays) {
  EXPECT_EQ(ParseOk("/q3/", "/q3/baseq3/demos/q3/x.dm_68").name, "q3/x");
  EXPECT_EQ(ParseOk("/q3/", "/q3/my|mod/demos/x.dm_68").mod, "my|mod");
}

TEST(ParseDemoPath, EachRefusalHasItsMessageInOrder) {
  const std::string dir = "/games/Quake3/";
  const std::string outside = "The demo must be in a subdirectory of quake III";
  const std::string noDemos =
      "The demo must be in a subdirectory called 'demos' of a quake III mod";
  EXPECT_EQ(ParseError(dir, "/other/baseq3/demos/x.dm_68"), outside);
  EXPECT_EQ(ParseError(dir, "/games"), outside);
  EXPECT_EQ(ParseError(dir, "/other/readme.txt"), outside);
  EXPECT_EQ(ParseError(dir, "/games/Quake3/demos/x.dm_68"), noDemos);
  EXPECT_EQ(ParseError(dir, "/games/Quake3/baseq3/x.txt"), noDemos);
  EXPECT_EQ(ParseError(dir, "/games/Quake3/baseq3/demos/x.dm"), "The file must be a demo (*.dm_]");
  EXPECT_EQ(ParseError(dir, "/games/Quake3//demos/x.dm_"), "Unable to determine the mod used");
  EXPECT_EQ(ParseError(dir, "/games/Quake3/baseq3/demos/x.dm_"),
            "Unable to determine the protocol used");
}

class PlayDemoTest : public test::GameDirTest {
 protected:
  test::RecordingStarter starter_;
};

TEST_F(PlayDemoTest, SwitchesRecordsAndStartsTheActiveExecutable) {
  Put("QUAKE3.exe", VersionBytes("66"));
  Put("quake3.68", VersionBytes("68"), fs::perms(0755));
  const std::string demo = dir_ + "baseq3/demos/Duel.dm_68";

  EXPECT_TRUE(status_.Report(PlayDemo(gamePath_, demo, starter_)));

  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("68"));
  EXPECT_THAT(starter_.calls, ElementsAre(test::StartCall{
                                  "QUAKE3.exe", " +set fs_game baseq3 +demo Duel.dm_68", dir_}));
  // Read back without the leading blank, which the profile reader drops.
  EXPECT_EQ(ReadRawProfileString("DEBUG", "Lastrun"), "+set fs_game baseq3 +demo Duel.dm_68");
  EXPECT_THAT(status_.errors, IsEmpty());
  EXPECT_EQ(status_.shown.front(), "  Launching Demo :" + demo);
  EXPECT_EQ(status_.shown.back(), "  Ready");
}

TEST_F(PlayDemoTest, RefusalsStartAndRecordNothing) {
  Put("QUAKE3.exe", VersionBytes("66"));
  EXPECT_FALSE(status_.Report(PlayDemo(gamePath_, dir_ + "demos/x.dm_68", starter_)));
  EXPECT_FALSE(status_.Report(PlayDemo(gamePath_, dir_ + "baseq3/demos/x.dm_71", starter_)));
  EXPECT_FALSE(status_.Report(PlayDemo(gamePath_, dir_ + "baseq3/demos/x.dm_68.bak", starter_)));
  EXPECT_THAT(status_.errors,
              ElementsAre("The demo must be in a subdirectory called 'demos' of a quake III mod",
                          "Unable to find :\n" + dir_ + "quake3.71",
                          "Unable to find :\n" + dir_ + "quake3.68.bak"));
  // Each message comes up over the innermost announcement; all of them go afterwards.
  EXPECT_THAT(status_.errorsOver,
              ElementsAre("  Launching Demo :" + dir_ + "demos/x.dm_68",
                          "  switching to protocol : 71", "  switching to protocol : 68.bak"));
  EXPECT_THAT(starter_.calls, IsEmpty());
  EXPECT_EQ(ReadRawProfileString("DEBUG", "Lastrun"), "");
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("66"));
  EXPECT_EQ(status_.shown.back(), "  Ready");
}

TEST_F(PlayDemoTest, GameReallyStartsWithTheDemoArguments) {
  // The versioned file is the recorder: the switch must keep its execute bit.
  fs::copy_file(VYK_ARG_RECORDER, gameDir_ / "quake3.68");
  Put("QUAKE3.exe", "not a program");
  const fs::path record = home_.Path() / "record";
  test::RecordStartsTo(record);

  EXPECT_TRUE(
      status_.Report(PlayDemo(gamePath_, dir_ + "baseq3/demos/Duel.dm_68", SystemGameStarter())));

  auto started = test::WaitForArgRecord(record);
  ASSERT_TRUE(started);
  EXPECT_EQ(fs::path(started->cwd), gameDir_);
  EXPECT_THAT(started->argv, ElementsAre(::testing::EndsWith("QUAKE3.exe"), "+set", "fs_game",
                                         "baseq3", "+demo", "Duel.dm_68"));
}

}  // namespace
}  // namespace vyk
