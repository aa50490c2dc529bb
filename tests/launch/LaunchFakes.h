#pragma once
// Stand-ins for the main window and the process start, and a game directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "StatusFakes.h"
#include "TestHome.h"
#include "core/StatusLine.h"
#include "launch/ConnectHost.h"
#include "launch/GameStarter.h"

namespace vyk::test {

struct StartCall {
  std::string file;
  std::string parameters;
  std::string directory;
  bool operator==(const StartCall&) const = default;
};

inline void PrintTo(const StartCall& c, std::ostream* os) {
  *os << "{" << c.file << " | " << c.parameters << " | " << c.directory << "}";
}

class RecordingStarter : public GameStarter {
 public:
  bool StartGame(const std::string& file, const std::string& parameters,
                 const std::string& directory) override {
    calls.push_back({file, parameters, directory});
    return true;
  }
  std::vector<StartCall> calls;
};

class FakeConnectHost : public ConnectHost {
 public:
  void RefreshCurrentRow() override { ++refreshes; }
  std::string AskServerPassword(const ServerInfo&) override {
    ++prompts;
    return answer;
  }
  void MinimizeMainWindow() override { ++minimised; }

  std::string answer;
  int refreshes = 0;
  int prompts = 0;
  int minimised = 0;
};

// A game installation in a fresh program directory.
class GameDirTest : public ::testing::Test {
 protected:
  GameDirTest() {
    std::filesystem::create_directories(gameDir_);
    dir_ = gameDir_.string() + "/";
    gamePath_ = dir_ + "QUAKE3.exe";
  }

  void Put(const std::string& name, const std::string& bytes,
           std::filesystem::perms mode = std::filesystem::perms(0644)) {
    std::filesystem::create_directories((gameDir_ / name).parent_path());
    WriteFile(gameDir_ / name, bytes);
    std::filesystem::permissions(gameDir_ / name, mode);
  }
  std::string Get(const std::string& name) const { return ReadFile(gameDir_ / name); }
  bool Has(const std::string& name) const {
    return std::filesystem::exists(std::filesystem::symlink_status(gameDir_ / name));
  }

  TestHome home_;
  std::filesystem::path gameDir_ = home_.Path() / "Quake3";
  std::string dir_;       // with its trailing "/"
  std::string gamePath_;  // dir_ + "QUAKE3.exe"
  RecordingStatus status_;
};

// Executable bytes that differ per version (not run).
inline std::string VersionBytes(const std::string& version) {
  return std::string(
             "\x7F"
             "ELF\0\xFF\r\n",
             8) +
         "game " + version + std::string(3, '\0');
}

}  // namespace vyk::test

// Names the launch tests use unqualified.
namespace vyk {
namespace fs = std::filesystem;
using test::VersionBytes;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
}  // namespace vyk
