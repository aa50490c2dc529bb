#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <set>
#include <string>

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

#ifndef _WIN32
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

#endif

TEST(AtomicFile, FailsWithoutTouchingAnythingInAMissingDirectory) {
  test::TestHome home;
  EXPECT_FALSE(WriteFileAtomically((home.Path() / "no" / "such.vyk").string(), "x"));
  EXPECT_FALSE(WriteFileAtomically("", "x"));
}

std::set<std::string> Names(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (auto& entry : std::filesystem::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

#ifndef _WIN32
TEST(AtomicFile, KeepsAFileThisUserMayNotWrite) {
  test::TestHome home;
  const auto kept = home.Path() / "server.vyk";
  const auto open = home.Path() / "Config.ini";
  test::WriteFile(kept, "kept\n");
  test::WriteFile(open, "old\n");
  ::chmod(kept.c_str(), 0444);
  ::chmod(open.c_str(), 0644);
  // Root may write anything: the writer is an ordinary user, who owns the
  // folder and both files as the user of a home would.
  const uid_t nobody = 65534;
  if (::geteuid() == 0) {
    for (const auto& p : {home.Path(), kept, open})
      ASSERT_EQ(::chown(p.c_str(), nobody, nobody), 0);
  }
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0))
      ::_exit(9);
    int faults = 0;
    if (WriteFileAtomically(kept.string(), "replaced\n")) faults |= 1;
    if (!WriteFileAtomically(open.string(), "new\n")) faults |= 2;
    ::_exit(faults);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "1: a read-only file was replaced, 2: a writable one was not";
  EXPECT_EQ(test::ReadFile(kept), "kept\n");
  EXPECT_EQ(test::ReadFile(open), "new\n");
  EXPECT_EQ(Names(home.Path()), (std::set<std::string>{"Config.ini", "server.vyk"}));
}

// What a writer killed before its rename leaves: each kill left one more
// copy of the file until the next write started clearing them.
TEST(AtomicFile, NextWriteRemovesTheTemporaryFilesOfDeadWriters) {
  test::TestHome home;
  const auto path = home.Path() / "list.vyk";
  pid_t dead = ::fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
  pid_t alive = ::fork();
  ASSERT_GE(alive, 0);
  if (alive == 0) {
    ::pause();
    ::_exit(0);
  }
  const std::string deadName = "list.vyk.tmp" + std::to_string(dead) + ".0";
  const std::string ownName = "list.vyk.tmp" + std::to_string(::getpid()) + ".7";
  const std::string aliveName = "list.vyk.tmp" + std::to_string(alive) + ".3";
  const std::set<std::string> kept = {
      aliveName,
      "list.vyk.tmp",
      "list.vyk.tmpAbc123",
      "list.vyk.tmp" + std::to_string(dead) + ".0.bak",
      "list.vyk.tmp" + std::to_string(dead),
      "other.vyk.tmp" + std::to_string(dead) + ".0",
  };
  for (const std::string& name : kept) test::WriteFile(home.Path() / name, "x");
  test::WriteFile(home.Path() / deadName, "half a fi");
  test::WriteFile(home.Path() / ownName, "half a fi");

  EXPECT_TRUE(WriteFileAtomically(path.string(), "whole\n"));
  std::set<std::string> expected = kept;
  expected.insert("list.vyk");
  EXPECT_EQ(Names(home.Path()), expected);
  EXPECT_EQ(test::ReadFile(path), "whole\n");

  // Once its writer is gone, the last one goes too; relative paths work alike.
  ::kill(alive, SIGKILL);
  ASSERT_EQ(::waitpid(alive, nullptr, 0), alive);
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(home.Path());
  EXPECT_TRUE(WriteFileAtomically("list.vyk", "again\n"));
  std::filesystem::current_path(here);
  expected.erase(aliveName);
  EXPECT_EQ(Names(home.Path()), expected);
}

TEST(AtomicFile, GivesTheModeAskedForWhateverTheOldFileHad) {
  test::TestHome home;
  const auto path = home.Path() / "cache.srv";
  test::WriteFile(path, "old");
  ASSERT_TRUE(WriteFileAtomically(path.string(), "new", 0600));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(test::ReadFile(path), "new");
}

// A list kept elsewhere through a symbolic link: the file pointed to gets the
// content and the link stays, as when the file is written in place.
TEST(AtomicFile, WritesThroughASymbolicLink) {
  test::TestHome home;
  std::filesystem::create_directory(home.Path() / "shared");
  const auto real = home.Path() / "shared" / "player.vyk";
  const auto link = home.Path() / "player.vyk";
  test::WriteFile(real, "old\n");
  std::filesystem::create_symlink(real, link);
  ASSERT_TRUE(WriteFileAtomically(link.string(), "new\n"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(test::ReadFile(real), "new\n");
  EXPECT_EQ(Names(home.Path()), (std::set<std::string>{"player.vyk", "shared"}));
  EXPECT_EQ(Names(home.Path() / "shared"), std::set<std::string>{"player.vyk"});
}

#else

// Windows has no modes: the read-only attribute is what keeps a file.
TEST(AtomicFile, ReadOnlyFileIsNeverReplaced) {
  test::TestHome home;
  const auto kept = home.Path() / "server.vyk";
  test::WriteFile(kept, "kept\n");
  std::filesystem::permissions(kept, std::filesystem::perms::owner_read);
  EXPECT_FALSE(WriteFileAtomically(kept.string(), "lost\n"));
  EXPECT_EQ(test::ReadFile(kept), "kept\n");
  EXPECT_EQ(Names(home.Path()), std::set<std::string>{"server.vyk"});
  std::filesystem::permissions(kept, std::filesystem::perms::owner_all);
  EXPECT_TRUE(WriteFileAtomically(kept.string(), "new\n"));
  EXPECT_EQ(test::ReadFile(kept), "new\n");
}

// Paths are ANSI text (as Config.ini stores them); the files they name are
// the system's UTF-16 names.
TEST(AtomicFile, PathInTheAnsiCodePageNamesTheFileOfThoseLetters) {
  if (GetACP() != 1252) GTEST_SKIP() << "needs the Western European code page";
  test::TestHome home;
  std::filesystem::create_directory(home.Path() / L"j\u00F6rg");
  const std::string ansi = home.Dir() + "j\xF6rg\\Config.ini";
  ASSERT_TRUE(WriteFileAtomically(ansi, "[a]\r\nb=c\r\n"));
  EXPECT_EQ(test::ReadFile(home.Path() / L"j\u00F6rg" / L"Config.ini"), "[a]\r\nb=c\r\n");
  EXPECT_EQ(ResolvedForWriting(ansi), ansi);
}
#endif  // _WIN32

}  // namespace
}  // namespace vyk
