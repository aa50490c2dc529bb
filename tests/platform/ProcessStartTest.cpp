#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <string>

#include "../launch/ArgRecord.h"
#include "TestHome.h"
#include "platform/ProcessStart.h"

namespace vyk {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
  EXPECT_THAT(SplitCommandLine(" +set fs_game baseq3 +demo duel.dm_68"),
              ElementsAre("+set", "fs_game", "baseq3", "+demo", "duel.dm_68"));
  EXPECT_THAT(SplitCommandLine("+connect 10.0.0.5:27960 +name \"^1Big  Guy\" +password pw"),
              ElementsAre("+connect", "10.0.0.5:27960", "+name", "^1Big  Guy", "+password", "pw"));
  EXPECT_THAT(SplitCommandLine("a\t\tb\r\nc   "), ElementsAre("a", "b", "c"));
  EXPECT_THAT(SplitCommandLine("   "), ElementsAre());
  EXPECT_THAT(SplitCommandLine(""), ElementsAre());
}

TEST(SplitCommandLine, QuoteEdgesFollowTheGame) {
  // A quote ends a bare word and opens a new argument.
  EXPECT_THAT(SplitCommandLine("ab\"c d\"e"), ElementsAre("ab", "c d", "e"));
  EXPECT_THAT(SplitCommandLine("+name \"\" x"), ElementsAre("+name", "", "x"));
  EXPECT_THAT(SplitCommandLine("+name \"open ended"), ElementsAre("+name", "open ended"));
  EXPECT_THAT(SplitCommandLine("\""), ElementsAre(""));
  // 8-bit name characters are not blanks.
  EXPECT_THAT(SplitCommandLine("\xE9t\xE9 \xFFx"), ElementsAre("\xE9t\xE9", "\xFFx"));
}

class ProcessStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game_ = home_.Path() / "game dir";
    fs::create_directories(game_);
    fs::copy_file(VYK_ARG_RECORDER, game_ / "QUAKE3.exe");
    record_ = home_.Path() / "record";
    test::RecordStartsTo(record_);
  }

  test::TestHome home_;
  fs::path game_;
  fs::path record_;
};

#ifndef _WIN32
TEST_F(ProcessStartTest, StartsDetachedInTheWorkingDirectoryWithSplitArguments) {
  // A descriptor without close-on-exec must still not reach the game.
  int leaked = open("/dev/null", O_RDONLY);
  ASSERT_GE(leaked, 0);
  ASSERT_TRUE(
      StartProcess("QUAKE3.exe", " +set fs_game baseq3 +name \"a b\"", game_.string() + "/"));
  close(leaked);

  auto record = test::WaitForArgRecord(record_);
  ASSERT_TRUE(record);
  EXPECT_EQ(fs::path(record->cwd), game_);
  EXPECT_THAT(record->argv, ElementsAre("QUAKE3.exe", "+set", "fs_game", "baseq3", "+name", "a b"));
  EXPECT_NE(record->sessionId, std::to_string(getsid(0)));
  EXPECT_EQ(record->standardInput, "/dev/null");
  EXPECT_EQ(record->extraDescriptors, "");

  // Nothing is left for us to reap.
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}
#else
// The game splits its own raw command line: the parameter text must reach it
// unquoted, behind the quoted path of a program in a folder with a blank and
// a letter of the ANSI code page.
TEST_F(ProcessStartTest, GameGetsTheParametersVerbatimInItsWorkingDirectory) {
  if (GetACP() != 1252) GTEST_SKIP() << "the folder name is in code page 1252";
  const fs::path folder = home_.Path() / L"j\u00F6rg dir";
  fs::create_directory(folder);
  fs::copy_file(game_ / "QUAKE3.exe", folder / "QUAKE3.exe");
  const std::string dir = home_.Path().string() + "\\j\xF6rg dir";

  ASSERT_TRUE(StartProcess("QUAKE3.exe", "+set name \"a b\" +connect 127.0.0.1:27960", dir));

  auto record = test::WaitForArgRecord(record_);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->cwd, dir);
  EXPECT_THAT(record->argv, ElementsAre(dir + "\\QUAKE3.exe", "+set", "name", "a b", "+connect",
                                        "127.0.0.1:27960"));
  EXPECT_EQ(record->sessionId, "");  // not on our console
}
#endif

TEST_F(ProcessStartTest, FailuresAreReportedNotStarted) {
  // Missing file, a file that is not executable, a directory, no working directory, no file.
  EXPECT_FALSE(StartProcess("quake3.66", "", game_.string()));
  test::WriteFile(game_ / "quake3.cfg", "seta x 1\n");
  EXPECT_FALSE(StartProcess("quake3.cfg", "", game_.string()));
  fs::create_directory(game_ / "baseq3");
  EXPECT_FALSE(StartProcess("baseq3", "", game_.string()));
  EXPECT_FALSE(StartProcess("QUAKE3.exe", "", (home_.Path() / "missing").string()));
  EXPECT_FALSE(StartProcess("", "", game_.string()));
  // A bare name is never looked up on PATH.
#ifdef _WIN32
  EXPECT_FALSE(StartProcess("cmd.exe", "", game_.string()));
  EXPECT_FALSE(fs::exists(record_));
#else
  EXPECT_FALSE(StartProcess("true", "", game_.string()));

  EXPECT_FALSE(fs::exists(record_));
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
#endif
}

}  // namespace
}  // namespace vyk
