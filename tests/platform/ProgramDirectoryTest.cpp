#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include "TestHome.h"
#include "platform/ProgramDirectory.h"

namespace vyk {
namespace {

TEST(ProgramDirectoryTest, HomeVariableWinsAndAlwaysEndsWithASeparator) {
  test::TestHome home;
  EXPECT_EQ(ProgramDirectory(), home.Dir());
  setenv("VYKFIND_HOME", (home.Dir() + "sub/").c_str(), 1);
  EXPECT_EQ(ProgramDirectory(), home.Dir() + "sub/");
}

TEST(ProgramDirectoryTest, WithoutTheVariableTheExecutableDirectoryOrTheUserFolder) {
  test::TestHome home;
  const std::string exe = ExecutablePath();
  ASSERT_FALSE(exe.empty());
  unsetenv("VYKFIND_HOME");
  const std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  const std::string exeDir = exe.substr(0, exe.rfind('/') + 1);
  if (::access(exeDir.c_str(), W_OK) == 0)
    EXPECT_EQ(dir, exeDir);
  else
    EXPECT_NE(dir.find("vykfind/"), std::string::npos);
}

}  // namespace
}  // namespace vyk
