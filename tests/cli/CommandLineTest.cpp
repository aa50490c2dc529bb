// The switches that run without a window, against loopback server farms.
#include <gtest/gtest.h>

#include <QStringList>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "Farm.h"
#include "TestHome.h"
#include "cli/CommandLine.h"
#include "config/ConfigFile.h"
#include "core/ServerCache.h"
#include "core/ServerFilter.h"

namespace vyk {
namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kSilenceWait{500};

struct Outcome {
  std::optional<int> code;
  std::string out;
  std::string err;
};

// firstWait: short where a silent server is asked.
Outcome RunWith(const std::vector<const char*>& args,
                std::chrono::milliseconds firstWait = kAnswerWait) {
  QStringList list{QStringLiteral("vykfind")};
  for (const char* a : args) list << QString::fromLocal8Bit(a);
  std::ostringstream out, err;
  Outcome run;
  const MasterWaits masterWaits{firstWait, std::min<std::chrono::microseconds>(firstWait, 1s)};
  run.code = RunCommandLine(list, out, err, false, firstWait, masterWaits);
  run.out = out.str();
  run.err = err.str();
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(farm_.Start()); }

  std::string Add(const std::string& name, const std::string& map, int latencyMs = 0,
                  bool silent = false) {
    q3sim::ServerConfig config = q3sim::DefaultServerConfig(name, map);
    config.SetLatency(latencyMs);
    config.silent = silent;
    return farm_.Address(farm_.AddServer(config));
  }

  void WriteLines(const std::string& file, const std::vector<std::string>& lines) {
    std::ofstream out(home_.Path() / file, std::ios::binary);
    for (const auto& l : lines) out << l << "\n";
  }

  test::TestHome home_;
  q3sim::Farm farm_;
};

TEST_F(CommandLineTest, SwitchesAreCheckedBeforeAnythingRuns) {
  EXPECT_FALSE(RunWith({}).code);
  EXPECT_FALSE(RunWith({"/home/me/baseq3/demos/Duel.DM_68"}).code);
  EXPECT_FALSE(RunWith({"-Embedding"}).code);
  EXPECT_FALSE(RunWith({"/Automation"}).code);
  EXPECT_FALSE(RunWith({"-platform", "offscreen", "--style=fusion", "-reverse"}).code);
  EXPECT_EQ(RunWith({"-platform", "offscreen", "--version"}).code, 0);

  Outcome help = RunWith({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("Usage: vykfind", 0), 0u);
  Outcome version = RunWith({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "Vyk Finder ver 0.0032\n");

  for (auto args :
       std::vector<std::vector<const char*>>{{"--bogus"},
                                             {"--query", "--refresh"},
                                             {"--json"},
                                             {"--list", "x.vyk"},
                                             {"--query"},
                                             {"--refresh", "1.2.3.4"},
                                             {"--master", "--protocol", "68,x"},
                                             {"--rcon"},
                                             {"--rcon", "127.0.0.1:1", "status", "--json"},
                                             {"--protocol", "68"},
                                             {"--refresh", "--list"}}) {
    Outcome bad = RunWith(args);
    EXPECT_EQ(bad.code, 2) << args.front();
    EXPECT_TRUE(bad.out.empty());
    EXPECT_EQ(Lines(bad.err).size(), 1u) << bad.err;
  }
  // None of these touched the program's files.
  EXPECT_FALSE(std::filesystem::exists(home_.Path() / "Config.ini"));
}

TEST_F(CommandLineTest, QueryPrintsOneLinePerServerAndFailsWhenOneIsSilent) {
  const std::string a = Add("^1Frag ^7Arena", "q3dm17");
  const std::string b = Add("Second", "q3dm6");
  Outcome ok = RunWith({"--query", b.c_str(), a.c_str()});
  EXPECT_EQ(ok.code, 0) << ok.err;
  auto lines = Lines(ok.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(" | " + b + " | "), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("q3dm6 | Second | "), std::string::npos);
  EXPECT_NE(lines[1].find("Frag ^7Arena | ioq3 "), std::string::npos) << lines[1];
  EXPECT_EQ(lines[1].substr(lines[1].size() - 21), "Vyk Finder ver 0.0032");
  // As in the window, a query records the server's name in the cache; the
  // window's first run (no Config.ini yet) is left to the window.
  EXPECT_EQ(GetCachedName(a), "^1Frag ^7Arena");
  EXPECT_FALSE(std::filesystem::exists(home_.Path() / "Config.ini"));

  const std::string silent = Add("Quiet", "q3dm1", 0, true);
  Outcome mixed = RunWith({"--query", a.c_str(), silent.c_str()}, kSilenceWait);
  EXPECT_EQ(mixed.code, 1);
  lines = Lines(mixed.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], silent + " | Vyk Finder ver 0.0032");
}

TEST_F(CommandLineTest, RunWithoutConfigIniWritesNoneAndLeavesOneWrittenMeanwhile) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig("Slow", "q3dm17");
  config.SetLatency(300);
  const int id = farm_.AddServer(config);
  const std::string address = farm_.Address(id);
  const auto ini = home_.Path() / "Config.ini";
  Outcome run;
  std::thread command([&] { run = RunWith({"--query", address.c_str()}); });
  // Once the server is asked, the settings are loaded: a window's first run
  // stores its options now.
  for (int i = 0; i < 5000 && farm_.Stats(id).requests == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const bool written = std::filesystem::exists(ini);
  std::ofstream(ini, std::ios::binary) << "[quake3]\npath=/g/QUAKE3.exe\n";
  command.join();
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_FALSE(written);
  EXPECT_EQ(test::ReadFile(ini), "[quake3]\npath=/g/QUAKE3.exe\n");
}

TEST_F(CommandLineTest, QueryJsonKeepsHostileTextsIntact) {
  q3sim::ServerConfig config =
      q3sim::DefaultServerConfig("^1\"Quoted\"\x01\x1b[2J\x7f caf\xE9 \xFF", "q3dm\xB2");
  config.players = {{7, 33, "back\\slash\x02\xA0"}};
  const std::string address = farm_.Address(farm_.AddServer(config));
  Outcome run = RunWith({"--query", "--json", address.c_str()});
  EXPECT_EQ(run.code, 0) << run.err;
  nlohmann::json doc;
  ASSERT_NO_THROW(doc = nlohmann::json::parse(run.out)) << run.out;
  const auto& s = doc.at("servers").at(0);
  EXPECT_EQ(s["address"], address);
  EXPECT_EQ(s["name"], "^1\"Quoted\"\x01\x1b[2J\x7f caf\xC3\xA9 \xC3\xBF");
  EXPECT_EQ(s["map"], "q3dm\xC2\xB2");
  EXPECT_EQ(s["timedOut"], false);
  ASSERT_EQ(s["players"].size(), 1u);
  EXPECT_EQ(s["players"][0]["name"], "back\\slash\x02\xC2\xA0");
  EXPECT_EQ(s["players"][0]["score"], 7);
  EXPECT_EQ(s["players"][0]["ping"], 33);
  EXPECT_EQ(s["info"]["sv_hostname"], s["name"]);
}

TEST_F(CommandLineTest, RefreshPrintsTheFilteredRowsInSortOrder) {
  const std::string slow = Add("^2Slow", "q3dm1", 150);
  const std::string fast = Add("^3Fast", "q3dm2", 0);
  const std::string silent = Add("Quiet", "q3dm3", 0, true);
  WriteLines("server.vyk", {slow, silent, fast});

  Outcome run = RunWith({"--refresh"}, kSilenceWait);
  EXPECT_EQ(run.code, 0) << run.err;
  auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 3u) << run.out;
  EXPECT_EQ(lines[0].rfind("Server  Buddy  Player  Map    Ping  IP", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("Fast  ", 0), 0u) << run.out;  // sorted by ping, the default
  EXPECT_EQ(lines[2].rfind("Slow  ", 0), 0u);
  EXPECT_NE(lines[1].find(fast), std::string::npos);

  // --all shows the silent server; the last sort key comes from Config.ini.
  WriteProfileInt("info", "LastServerSort", kSortByAddress);
  WriteLines("other.vyk", {slow, silent, fast});
  const std::string other = (home_.Path() / "other.vyk").string();
  run = RunWith({"--refresh", "--all", "--list", other.c_str(), "--json"}, kSilenceWait);
  EXPECT_EQ(run.code, 0) << run.err;
  auto doc = nlohmann::json::parse(run.out);
  std::vector<std::string> order;
  for (const auto& s : doc["servers"]) order.push_back(s["address"]);
  std::vector<std::string> expected{slow, silent, fast};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(order, expected);
  EXPECT_EQ(
      doc["servers"][std::find(order.begin(), order.end(), silent) - order.begin()]["timedOut"],
      true);

  const std::string missing = (home_.Path() / "none.vyk").string();
  run = RunWith({"--refresh", "--list", missing.c_str()});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("none.vyk"), std::string::npos);
}

TEST_F(CommandLineTest, MasterListsTheFarmFromTheSettingsOrTheArguments) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig("A", "q3dm1", 68);
  const std::string a = farm_.Address(farm_.AddServer(config));
  const std::string b = farm_.Address(farm_.AddServer(config));
  const std::string old = farm_.Address(farm_.AddServer(q3sim::DefaultServerConfig("Old", "q3dm1", 66)));
  const std::uint16_t port = farm_.OpenMaster();
  ASSERT_NE(port, 0);

  // One master, one protocol, nothing more configured: the request of old.
  std::ofstream(home_.Path() / "Config.ini")
      << "[info]\nMasterServer=127.0.0.1\nMasterServerPort=" << port
      << "\nMoreMasters=\n[quake3]\nprotocol=68\nMoreProtocols=\n";
  Outcome run = RunWith({"--master"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(Lines(run.out), (std::vector<std::string>{a, b}));
  EXPECT_EQ(run.err, "127.0.0.1:" + std::to_string(port) + ": 2 servers\n");
  EXPECT_EQ(farm_.GetMasterStats().lastRequest,
            std::string("\xFF\xFF\xFF\xFFgetservers 68 empty full\0", 29));

  // Two masters (the second silent), two protocols, merged.
  const std::string master = "127.0.0.1:" + std::to_string(port);
  run = RunWith({"--master", master.c_str(), "127.0.0.1:9", "--protocol", "68,66", "--json"},
                kSilenceWait);
  EXPECT_EQ(run.code, 0) << run.err;
  auto doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["masters"][0]["address"], master);
  EXPECT_EQ(doc["masters"][0]["servers"], 3);
  EXPECT_EQ(doc["masters"][1]["answered"], false);
  EXPECT_EQ(doc["protocols"], nlohmann::json::array({"68", "66"}));
  EXPECT_EQ(doc["servers"], nlohmann::json::array({a, b, old}));
  EXPECT_EQ(Lines(run.err), (std::vector<std::string>{master + ": 3 servers", "127.0.0.1:9: no answer"}));

  run = RunWith({"--master", "127.0.0.1:9"}, kSilenceWait);
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.out.empty());
  EXPECT_EQ(RunWith({"--master", "127.0.0.1:99999"}).code, 2);
}

TEST_F(CommandLineTest, RconSendsTheCommandWithThePasswordFromTheEnvironment) {
  q3sim::ServerConfig config = q3sim::DefaultServerConfig("R", "q3dm1");
  config.rconPassword = "secret";
  const std::string address = farm_.Address(farm_.AddServer(config));
  const int id = farm_.ServerCount() - 1;

  test::SetVariable("VYKFIND_RCON_PASSWORD", "secret");
  Outcome run = RunWith({"--rcon", address.c_str(), "say", "hello", "there"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(farm_.Stats(id).lastRequest.rfind("\xFF\xFF\xFF\xFFrcon secret say hello there", 0),
            0u);
  EXPECT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.find('\r'), std::string::npos);
  EXPECT_EQ(run.out.find("\xFF\xFF\xFF\xFFprint"), std::string::npos);
  EXPECT_EQ(run.out.back(), '\n');

  const std::string silent = Add("Quiet", "q3dm1", 0, true);
  run = RunWith({"--rcon", silent.c_str(), "status"}, kSilenceWait);
  EXPECT_EQ(run.code, 1);
  test::RemoveVariable("VYKFIND_RCON_PASSWORD");
}

}  // namespace
}  // namespace vyk
