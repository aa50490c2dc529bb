#include <gtest/gtest.h>

#include <filesystem>

#include "TestHome.h"
#include "platform/AtomicFile.h"

namespace vyk {
namespace {

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporaryFile) {
  test::TestHome home;
  const auto path = home.Path() / "list.vyk";
  test::WriteFile(path, "old content that is longer\n");
  ASSERT_TRUE(WriteFileAtomically(path.string(), "new\n"));
  EXPECT_EQ(test::ReadFile(path), "new\n");
  int files = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(home.Path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST(AtomicFile, KeepsTheModeOfTheReplacedFile) {
  test::TestHome home;
  const auto path = home.Path() / "mode.vyk";
  test::WriteFile(path, "x");
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_TRUE(WriteFileAtomically(path.string(), "y"));
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(AtomicFile, FailsWithoutTouchingAnythingInAMissingDirectory) {
  test::TestHome home;
  EXPECT_FALSE(WriteFileAtomically((home.Path() / "no" / "such.vyk").string(), "x"));
  EXPECT_FALSE(WriteFileAtomically("", "x"));
}

}  // namespace
}  // namespace vyk
