// Concurrent writers: cache.srv is written by refresh workers and the
// user-interface thread at once. Writers killed at random moments, over every
// file the program keeps, are in tests/config/CrashSafetyTest.cpp.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "TestHome.h"
#include "platform/ProfileFile.h"

namespace vyk {
namespace {

using test::ReadFile;

// Every line of a file this program wrote is a section, a key line or empty.
bool WellFormed(const std::string& bytes) {
  if (!bytes.empty() && bytes.back() != '\n') return false;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t nl = bytes.find('\n', pos);
    std::string line = bytes.substr(pos, nl - pos);
    pos = nl + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    bool section = line.front() == '[' && line.back() == ']';
    if (!section && line.find('=') == std::string::npos) return false;
  }
  return true;
}

std::string Section(int n) {
  return "10.0.0." + std::to_string(n) + ":27960";
}

TEST(ProfileFileStressTest, ConcurrentReadersAndWritersLoseNoWrite) {
  test::TestHome home;
  const std::string path = home.Dir() + "cache.srv";
  constexpr int kWriters = 6;
  constexpr int kWritesEach = 20;
  std::atomic<bool> done{false};
  std::atomic<int> badSnapshots{0};

  // Reads the raw file and through the profile calls while the writers run.
  std::thread watcher([&] {
    while (!done.load()) {
      std::string bytes = ReadFile(path);
      if (!WellFormed(bytes)) ++badSnapshots;
      ProfileFile::Read(path, Section(0), "name");
    }
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kWriters; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < kWritesEach; ++i) {
        // Own section, plus a section every writer shares.
        EXPECT_TRUE(
            ProfileFile::Write(path, Section(t), "k" + std::to_string(i), std::to_string(i)));
        EXPECT_TRUE(ProfileFile::Write(path, "shared", "w" + std::to_string(t), std::to_string(i)));
        EXPECT_EQ(ProfileFile::Read(path, Section(t), "k" + std::to_string(i)), std::to_string(i));
      }
    });
  }
  for (auto& w : writers) w.join();
  done = true;
  watcher.join();

  EXPECT_EQ(badSnapshots.load(), 0);
  ProfileFile::DropCache();
  for (int t = 0; t < kWriters; ++t) {
    for (int i = 0; i < kWritesEach; ++i)
      EXPECT_EQ(ProfileFile::Read(path, Section(t), "k" + std::to_string(i)), std::to_string(i));
    EXPECT_EQ(ProfileFile::Read(path, "shared", "w" + std::to_string(t)),
              std::to_string(kWritesEach - 1));
  }
  EXPECT_TRUE(WellFormed(ReadFile(path)));
}

// Writers that share one replacement of the file share its failure too, and a
// failed change never turns up in a later write.
TEST(ProfileFileStressTest, ConcurrentWritesThatCannotReachTheDiskAllFail) {
  test::TestHome home;
  const std::string dir = home.Dir() + "not-yet/";
  const std::string path = dir + "cache.srv";
  std::atomic<int> succeeded{0};
  std::vector<std::thread> writers;
  for (int t = 0; t < 6; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < 20; ++i)
        if (ProfileFile::Write(path, Section(t), "k" + std::to_string(i), "lost")) ++succeeded;
    });
  }
  for (auto& w : writers) w.join();
  EXPECT_EQ(succeeded.load(), 0);

  std::filesystem::create_directory(dir);
  ASSERT_TRUE(ProfileFile::Write(path, "s", "k", "v"));
  EXPECT_EQ(ReadFile(path), test::NewFileLines("[s]\nk=v\n"));
}

// A directory's modes mean nothing to Windows' replace.
#ifndef _WIN32
TEST(ProfileFileStressTest, ReadOnlyDirectoryRefusesWritesAndKeepsTheFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
  test::TestHome home;
  const std::string path = home.Dir() + "Config.ini";
  ASSERT_TRUE(ProfileFile::Write(path, "s", "k", "v"));
  ::chmod(home.Path().c_str(), 0555);
  EXPECT_FALSE(ProfileFile::Write(path, "s", "k", "changed"));
  EXPECT_FALSE(ProfileFile::Write(path, "s", "new", "x"));
  ::chmod(home.Path().c_str(), 0755);
  EXPECT_EQ(ReadFile(path), "[s]\nk=v\n");
  EXPECT_EQ(ProfileFile::Read(path, "s", "k"), "v");
}

#endif

}  // namespace
}  // namespace vyk
