// Concurrent and interrupted writers: cache.srv is written by refresh workers
// and the user-interface thread at once, and the program may die at any time.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A child writes a stream of keys and reports each write that returned; the
// parent kills it at some point in the stream. Every reported write must be in
// the file, and the file must read cleanly.
TEST(ProfileFileStressTest, KilledWriterLeavesEveryReturnedWrite) {
  test::TestHome home;
  const std::string path = home.Dir() + "cache.srv";
  const std::string filler(200, 'f');  // big enough that a kill lands mid-write
  for (int round = 0; round < 3; ++round) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(fds[0]);
      for (int i = 0; i < 100000; ++i) {
        std::string key = "r" + std::to_string(round) + "k" + std::to_string(i);
        if (!ProfileFile::Write(path, Section(i % 50), key, std::to_string(i) + filler)) _exit(2);
        if (::write(fds[1], &i, sizeof i) != sizeof i) _exit(3);
      }
      _exit(0);
    }
    ::close(fds[1]);
    const int killAfter = 5 + round * 7;
    std::vector<int> returned;
    int value;
    while (static_cast<int>(returned.size()) < killAfter &&
           ::read(fds[0], &value, sizeof value) == sizeof value)
      returned.push_back(value);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "child ended by itself: " << status;
    while (::read(fds[0], &value, sizeof value) == sizeof value) returned.push_back(value);
    ::close(fds[0]);

    ASSERT_GE(static_cast<int>(returned.size()), killAfter);
    ProfileFile::DropCache();
    EXPECT_TRUE(WellFormed(ReadFile(path)));
    for (int i : returned) {
      std::string key = "r" + std::to_string(round) + "k" + std::to_string(i);
      EXPECT_EQ(ProfileFile::Read(path, Section(i % 50), key), std::to_string(i) + filler)
          << "round " << round << " write " << i;
    }
    // The file stays writable after the crash.
    EXPECT_TRUE(ProfileFile::Write(path, "after", "round" + std::to_string(round), "ok"));
  }
}

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

}  // namespace
}  // namespace vyk
