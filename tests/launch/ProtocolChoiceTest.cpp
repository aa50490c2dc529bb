#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "LaunchFakes.h"
#include "launch/ProtocolChoice.h"

namespace vyk {
namespace {

class ProtocolChoiceTest : public test::GameDirTest {};

TEST_F(ProtocolChoiceTest, ListsVersionsAndTheActiveExecutableSortedWithoutCase) {
  for (const char* name : {"quake3.68", "QUAKE3.exe", "quake3.cfg", "quake3.66", "Quake3.71",
                           "quake3.0", "quake3.66abc", "readme.txt", "q3.66"}) {
    Put(name, "x");
  }
  fs::create_directory(gameDir_ / "quake3.70");
#ifdef _WIN32
  Put("quake3.69", "x");
#else
  fs::create_symlink("quake3.68", gameDir_ / "quake3.69");  // a link to a file is a file
#endif

  EXPECT_THAT(ListProtocolEntries(gamePath_), ElementsAre("quake3.66", "quake3.66abc", "quake3.68",
                                                          "quake3.69", "Quake3.71", "QUAKE3.exe"));
}

TEST_F(ProtocolChoiceTest, EmptyOrMissingDirectoryListsNothing) {
  EXPECT_THAT(ListProtocolEntries(gamePath_), IsEmpty());
  EXPECT_THAT(ListProtocolEntries(dir_ + "missing/QUAKE3.exe"), IsEmpty());
}

TEST_F(ProtocolChoiceTest, OkSwitchesToTheChosenVersionButNeverToTheActiveExecutable) {
  EXPECT_EQ(ProtocolOfEntry("Quake3.quake3.66"), "66");
  Put("QUAKE3.exe", VersionBytes("66"));
  Put("quake3.68", VersionBytes("68"), fs::perms(0755));

  status_.Report(ApplyProtocolChoice(gamePath_, "QUAKE3.exe"));
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("66"));
  status_.Report(ApplyProtocolChoice(gamePath_, "quake3.68"));
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("68"));
  EXPECT_THAT(status_.errors, IsEmpty());

  // An empty list leaves only the combo's empty text.
  status_.Report(ApplyProtocolChoice(gamePath_, ""));
  EXPECT_THAT(status_.errors, ElementsAre("Unable to find :\n" + dir_ + "quake3."));
  EXPECT_EQ(Get("QUAKE3.exe"), VersionBytes("68"));
}

TEST_F(ProtocolChoiceTest, OkOnAListedEntryCopiesThatVeryFile) {
  Put("QUAKE3.exe", VersionBytes("66"));
  Put("quake3.66", VersionBytes("66"));
  Put("Quake3.66abc", "patched 66");
  ASSERT_THAT(ListProtocolEntries(gamePath_), Contains("Quake3.66abc"));

  status_.Report(ApplyProtocolChoice(gamePath_, "Quake3.66abc"));
  EXPECT_THAT(status_.errors, IsEmpty());
  EXPECT_EQ(Get("QUAKE3.exe"), "patched 66");
  EXPECT_EQ(Get("Quake3.66abc"), "patched 66");
  EXPECT_THAT(status_.shown, Contains("  switching to protocol : 66abc"));
}

}  // namespace
}  // namespace vyk
