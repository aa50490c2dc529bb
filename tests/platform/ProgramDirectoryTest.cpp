#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>

#include "TestHome.h"
#include "platform/ProgramDirectory.h"

namespace vyk {
namespace {

TEST(ProgramDirectoryTest, HomeVariableWinsAndAlwaysEndsWithASeparator) {
  test::TestHome home;
  EXPECT_EQ(ProgramDirectory(), home.Dir());
  test::SetVariable("VYKFIND_HOME", (home.Dir() + "sub/").c_str());
  EXPECT_EQ(ProgramDirectory(), home.Dir() + "sub/");
}

TEST(ProgramDirectoryTest, WithoutTheVariableTheExecutableDirectoryOrTheUserFolder) {
  test::TestHome home;
  const std::string exe = ExecutablePath();
  ASSERT_FALSE(exe.empty());
  test::RemoveVariable("VYKFIND_HOME");
  const std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
#ifdef _WIN32
  // Always beside the executable, as the program has always kept them there.
  EXPECT_EQ(dir, exe.substr(0, exe.rfind('\\') + 1));
#else
  EXPECT_EQ(dir.back(), '/');
  const std::string exeDir = exe.substr(0, exe.rfind('/') + 1);
  if (::access(exeDir.c_str(), W_OK) == 0)
    EXPECT_EQ(dir, exeDir);
  else
    EXPECT_NE(dir.find("vykfind/"), std::string::npos);
#endif
}

TEST(ProgramDirectoryTest, OnlyAWritableFolderOutsideTheInstalledProgramsIsPortable) {
  test::TestHome home;
  EXPECT_TRUE(IsPortableDirectory(home.Dir()));
  EXPECT_FALSE(IsPortableDirectory(home.Dir() + "missing/"));
  EXPECT_FALSE(IsPortableDirectory(""));
#ifdef _WIN32
  // An installed copy keeps its files in the profile even where Program Files
  // can be written (an administrator, Wine).
  const char* programFiles = std::getenv("ProgramFiles");
  ASSERT_NE(programFiles, nullptr);
  const std::filesystem::path installed = std::filesystem::path(programFiles) / "Vyk Finder Test";
  std::error_code ec;
  std::filesystem::create_directories(installed, ec);
  EXPECT_FALSE(IsPortableDirectory(installed.string() + "\\"));
  std::filesystem::remove(installed, ec);
#endif
}

}  // namespace
}  // namespace vyk
