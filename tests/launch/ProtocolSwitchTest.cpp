#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "PlatformSkip.h"
#include "LaunchFakes.h"
#include "launch/ProtocolSwitch.h"

namespace vyk {
namespace {

class ProtocolSwitchTest : public test::GameDirTest {};

TEST_F(ProtocolSwitchTest, CopiesTheVersionByteForByteWithItsModeAndAnnouncesIt) {
  Put("quake3.68", VersionBytes("68"), fs::perms(0755));
  Put("QUAKE3.exe", VersionBytes("66-longer-than-the-new-one"), fs::perms(0644));

  EXPECT_TRUE(status_.Report(SwitchToProtocol(gamePath_, "68")));

  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("68"));
  EXPECT_EQ(Get("quake3.68"), VersionBytes("68"));
#ifndef _WIN32
  EXPECT_EQ(fs::status(gameDir_ / "QUAKE3.exe").permissions(), fs::perms(0755));
#endif
  EXPECT_THAT(status_.errors, IsEmpty());
  EXPECT_THAT(status_.shown, ElementsAre("  switching to protocol : 68", "  Ready"));

  // With no active executable there is nothing to delete.
  fs::remove(gameDir_ / "QUAKE3.exe");
  EXPECT_TRUE(status_.Report(SwitchToProtocol(gamePath_, "68")));
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("68"));
}

TEST_F(ProtocolSwitchTest, MissingVersionLeavesTheActiveExecutableAlone) {
  Put("QUAKE3.exe", VersionBytes("66"));
  EXPECT_FALSE(status_.Report(SwitchToProtocol(gamePath_, "71")));
  EXPECT_THAT(status_.errors, ElementsAre("Unable to find :\n" + dir_ + "quake3.71"));
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("66"));
  // The message comes up over the announcement, which goes once it has been seen.
  EXPECT_THAT(status_.errorsOver, ElementsAre("  switching to protocol : 71"));
  EXPECT_THAT(status_.shown, ElementsAre("  switching to protocol : 71", "  Ready"));
}

TEST_F(ProtocolSwitchTest, OnlyDigitsEverBecomeAFileName) {
  // Each of these would name an existing file if it were put into the path.
  Put("QUAKE3.exe", VersionBytes("66"));
  Put("quake3.68", VersionBytes("68"));
  Put("quake3.68 +exec x", VersionBytes("evil"));
  fs::create_directory(gameDir_ / "quake3.");
  test::WriteFile(home_.Path() / "outside", VersionBytes("outside"));
  const std::vector<std::string> hostile = {
      "",    "exe", "EXE", "/../../outside", "68 +exec x", "68 ", " 68",
      "+68", "-1",  "6.8", "123456",         "68\n",       "0x44"};
  for (const std::string& protocol : hostile) {
    status_.errors.clear();
    EXPECT_FALSE(status_.Report(SwitchToProtocol(gamePath_, protocol))) << protocol;
    EXPECT_THAT(status_.errors, ElementsAre("Unable to find :\n" + dir_ + "quake3." + protocol));
  }
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("66"));
  EXPECT_EQ(test::ReadFile(home_.Path() / "outside"), VersionBytes("outside"));
}

TEST_F(ProtocolSwitchTest, FileNamesMatchWithoutRegardToCase) {
  // The active executable keeps the name it has; no second one appears.
  Put("Quake3.68", VersionBytes("68"), fs::perms(0755));
  Put("quake3.exe", VersionBytes("66"));
  EXPECT_TRUE(status_.Report(SwitchToProtocol(dir_ + "quake3.exe", "68")));
  EXPECT_EQ(Get("quake3.exe"), VersionBytes("68"));
#ifndef _WIN32  // a file system blind to letter case finds it by any name
  EXPECT_FALSE(Has("QUAKE3.exe"));
#endif
}

TEST_F(ProtocolSwitchTest, ActiveExecutableThatCannotBeRemoved) {
  Put("quake3.68", VersionBytes("68"));
  Put("QUAKE3.exe/in-use", "x");
  EXPECT_FALSE(status_.Report(SwitchToProtocol(gamePath_, "68")));
  EXPECT_THAT(status_.errors, ElementsAre("Unable to remove :\n" + dir_ + "QUAKE3.exe"));
  EXPECT_EQ(Get("QUAKE3.exe/in-use"), "x");
  EXPECT_THAT(status_.shown.back(), "  Ready");
}

TEST_F(ProtocolSwitchTest, VersionThatIsTheActiveExecutableIsNeverEmptied) {
  VYK_SKIP_ON_WINDOWS("symbolic links");
  Put("QUAKE3.exe", VersionBytes("68"), fs::perms(0755));
  fs::create_symlink("QUAKE3.exe", gameDir_ / "quake3.68");
  EXPECT_TRUE(status_.Report(SwitchToProtocol(gamePath_, "68")));
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("68"));
  EXPECT_THAT(status_.errors, IsEmpty());
}

TEST_F(ProtocolSwitchTest, UnreadableVersionLeavesAnEmptyActiveExecutableThatASwitchRepairs) {
  VYK_SKIP_ON_WINDOWS("a directory that opens for reading");
  Put("QUAKE3.exe", VersionBytes("66"));
  Put("quake3.68", VersionBytes("68"), fs::perms(0755));
  fs::create_directory(gameDir_ / "quake3.70");  // found, but no file to read
  EXPECT_FALSE(status_.Report(SwitchToProtocol(gamePath_, "70")));
  EXPECT_THAT(status_.errors, ElementsAre("Unable to Read :\n" + dir_ + "quake3.70"));
  EXPECT_EQ(Get("QUAKE3.exe"), "");

  EXPECT_TRUE(status_.Report(SwitchToProtocol(gamePath_, "68")));
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("68"));
}

}  // namespace
}  // namespace vyk
