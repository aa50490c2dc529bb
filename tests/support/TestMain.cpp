// Every test process runs with a program directory of its own, so no test
// ever reads or writes the user's files or another test's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestHome.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  vyk::test::TestHome home;
  return RUN_ALL_TESTS();
}
