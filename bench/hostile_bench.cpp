// A refresh through the main window (offscreen) of a loopback farm of 2000 servers, 200
// of them hostile (every kind of the farm's Hostile.h, cycled). The farm runs in one
// forked child and the window with its refresh in another, so a crash of the refresh is
// counted and the figures are still printed. Each honest row is checked against what its
// server was configured with, and the game command line of every hostile server against
// anything the server could have slipped in.
//
//   hostile_bench [SERVERS [HOSTILE [ROUNDS]]]     (defaults 2000 200 1)
//
// Every round refreshes in a fresh child; the first finds cache.srv empty and stores
// every server's name (one synced write each), later ones find the names stored.
//
// The last line is
//   hostile_bench: servers=N hostile=H crashes=C honest_rows_ok=K/HONEST wall_ms=W
// with the worst round's honest rows and the mean refresh time of the rounds that ended.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "BenchHome.h"
#include "Farm.h"
#include "ForkedFarm.h"
#include "Generator.h"
#include "config/ConfigFile.h"
#include "core/ServerInfo.h"
#include "launch/ConnectCommandLine.h"
#include "platform/ProcessStart.h"
#include "ui/MainDialog.h"
#include "ui/ServerListView.h"
#include "ui/widgets/Resources.h"

namespace {

struct RoundResult {
  int rows = 0;
  int honestOk = 0;
  int injected = 0;   // hostile servers whose command line carries something of theirs
  int ticks = 0;      // a 10 ms timer's firings during the refresh
  long maxGapMs = 0;  // and the longest time between two of them
  long wallMs = 0;
  long rssMb = 0;
};

bool HonestRowIsRight(const vyk::ServerListView& view, int row, const q3sim::ServerConfig& c) {
  const vyk::ServerInfo& record = view.Servers().At(view.IndexAt(row));
  // Bots (ping 0) are counted apart: "humans+bots/max".
  const auto bots = std::count_if(c.players.begin(), c.players.end(),
                                  [](const auto& player) { return player.ping == 0; });
  const auto humans = static_cast<long>(c.players.size()) - bots;
  const std::string players =
      (bots ? std::to_string(humans) + "+" + std::to_string(bots) : std::to_string(humans)) + "/" +
      c.Info("sv_maxclients");
  if (view.ItemText(row, 0) != c.Info("sv_hostname") || view.ItemText(row, 2) != players ||
      view.ItemText(row, 3) != c.Info("mapname") || record.ping >= vyk::kNoPing ||
      view.ItemText(row, 4) != std::to_string(record.ping) ||
      record.PlayerCount() != static_cast<int>(c.players.size()))
    return false;
  for (int p = 0; p < record.PlayerCount(); ++p) {
    if (record.players[p].name != c.players[static_cast<std::size_t>(p)].name) return false;
  }
  return true;
}

// The game's arguments hold only "+connect <address>", after "+set fs_game <folder>".
bool CommandLineIsClean(const std::string& line, const std::string& address) {
  const std::vector<std::string> args = vyk::SplitCommandLine(line);
  if (args.size() != 2 && args.size() != 5) return false;
  const std::size_t at = args.size() - 2;
  if (args[at] != "+connect" || args[at + 1] != address) return false;
  if (args.size() == 5 &&
      (args[0] != "+set" || args[1] != "fs_game" || !vyk::IsPlainFolderName(args[2])))
    return false;
  for (const std::string& arg : args) {
    if (arg.find("..") != std::string::npos) return false;
  }
  return true;
}

vyk::Settings WindowSettings() {
  vyk::Settings settings;
  LoadSettings(settings);
  settings.maxThread = 96;
  settings.displayOnReload = 1;
  settings.minimize = 0;
  settings.useFsGame = 1;
  return settings;
}

// Refreshes every server through the window while a 10 ms timer counts how often the
// event loop got to run.
void TimeRefresh(vyk::MainDialog& dialog, RoundResult& result) {
  QTimer ticker;
  QElapsedTimer clock;
  qint64 lastTick = 0;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    ++result.ticks;
    result.maxGapMs = std::max(result.maxGapMs, static_cast<long>(clock.elapsed() - lastTick));
    lastTick = clock.elapsed();
  });
  ticker.start(10);
  clock.start();
  dialog.OnCommand(vyk::MainDialog::kRefreshAll);
  result.wallMs = static_cast<long>(clock.elapsed());
  result.maxGapMs = std::max(result.maxGapMs, result.wallMs - static_cast<long>(lastTick));
  ticker.stop();
}

// Honest rows against their servers' configuration, hostile servers' command lines
// against what they could slip in.
void CheckRows(const vyk::ServerListView& view, const vyk::Settings& settings,
               const std::vector<q3sim::ServerConfig>& configs,
               const std::vector<std::uint16_t>& ports, RoundResult& result) {
  result.rows = view.RowCount();
  std::map<std::string, int> rowOf;
  for (int r = 0; r < view.RowCount(); ++r) rowOf[view.ItemText(r, 5)] = r;
  std::map<std::string, int> indexOf;
  for (int i = 0; i < view.Servers().Count(); ++i) indexOf[view.Servers().At(i).Address()] = i;
  for (std::size_t n = 0; n < configs.size(); ++n) {
    const std::string address = "127.0.0.1:" + std::to_string(ports[n]);
    if (configs[n].hostile == 0) {
      auto row = rowOf.find(address);
      result.honestOk += row != rowOf.end() && HonestRowIsRight(view, row->second, configs[n]);
      continue;
    }
    auto index = indexOf.find(address);
    if (index == indexOf.end()) continue;
    const vyk::ServerInfo& record = view.Servers().At(index->second);
    result.injected +=
        !CommandLineIsClean(vyk::BuildConnectCommandLine(record, "", settings, ""), address);
  }
}

// Child: the window, its refresh and the checks; the result goes to `out`.
[[noreturn]] void RunWindow(const std::vector<q3sim::ServerConfig>& configs,
                            const std::vector<std::uint16_t>& ports, int out) {
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "hostile_bench";
  char* argv[] = {name, nullptr};
  RoundResult result;
  {
    QApplication app(argc, argv);
    vyk::InitResources();
    vyk::Settings settings = WindowSettings();
    vyk::MainDialog dialog(settings);
    dialog.resize(900, 640);
    dialog.show();
    app.processEvents();
    TimeRefresh(dialog, result);
    CheckRows(dialog.ServerView(), settings, configs, ports, result);
    result.rssMb = (bench::StatusField("VmHWM") + 1023) / 1024;
  }
  bench::WriteAll(out, &result, sizeof result);
  close(out);
  _exit(0);
}

enum class RoundEnd { kEnded, kCrashed, kNotStarted };

// One round in a fresh child; a crash is told on stdout.
RoundEnd RunRound(bench::ForkedFarm& farm, const std::vector<q3sim::ServerConfig>& configs,
                  int round, RoundResult& r) {
  int resultPipe[2];
  if (pipe(resultPipe) != 0) return RoundEnd::kNotStarted;
  std::fflush(stdout);
  const pid_t child = fork();
  if (child < 0) return RoundEnd::kNotStarted;
  if (child == 0) {
    close(resultPipe[0]);
    farm.ReleaseInChild();
    RunWindow(configs, farm.Ports(), resultPipe[1]);
  }
  close(resultPipe[1]);
  const bool got = bench::ReadAll(resultPipe[0], &r, sizeof r);
  close(resultPipe[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (got && WIFEXITED(status) && WEXITSTATUS(status) == 0) return RoundEnd::kEnded;
  std::printf("round %d: crashed (%s %d)\n", round, WIFSIGNALED(status) ? "signal" : "exit status",
              WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
  return RoundEnd::kCrashed;
}

// Of all rounds: the crashes, the worst round's honest rows and the mean refresh time
// of the rounds that ended.
struct Rounds {
  int crashes = 0;
  int worstHonest = 0;
  long wallSum = 0;
  int ended = 0;
};

// Every round, each told on stdout; nothing when a round could not start.
std::optional<Rounds> RunRounds(bench::ForkedFarm& farm,
                                const std::vector<q3sim::ServerConfig>& configs, int rounds,
                                int honest) {
  Rounds all;
  all.worstHonest = honest;
  for (int round = 1; round <= rounds; ++round) {
    RoundResult r;
    const RoundEnd end = RunRound(farm, configs, round, r);
    if (end == RoundEnd::kNotStarted) return std::nullopt;
    if (end == RoundEnd::kCrashed) {
      ++all.crashes;
      all.worstHonest = 0;
      continue;
    }
    all.worstHonest = std::min(all.worstHonest, r.honestOk);
    all.wallSum += r.wallMs;
    ++all.ended;
    std::printf(
        "round %d: rows=%d honest_ok=%d/%d injected_command_lines=%d timer_ticks=%d "
        "longest_tick_gap_ms=%ld rss_mb=%ld wall_ms=%ld\n",
        round, r.rows, r.honestOk, honest, r.injected, r.ticks, r.maxGapMs, r.rssMb, r.wallMs);
  }
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  const int servers = argc > 1 ? std::atoi(argv[1]) : 2000;
  const int hostile = argc > 2 ? std::atoi(argv[2]) : 200;
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 1;
  if (servers < 1 || servers > 20000 || hostile < 0 || hostile > servers || rounds < 1) {
    std::fprintf(stderr, "usage: hostile_bench [SERVERS [HOSTILE [ROUNDS]]]\n");
    return 2;
  }
  const bench::BenchHome home("hostile_bench");
  if (!home.Made()) return 1;
  bench::RaiseFileLimit();

  const std::vector<q3sim::ServerConfig> configs = q3sim::GenerateServers(
      q3sim::HostileFarmOptions(servers, static_cast<double>(hostile) / servers));
  int honest = 0;
  for (const auto& c : configs) honest += c.hostile == 0;

  bench::ForkedFarm farm(configs);
  const std::vector<std::uint16_t>& ports = farm.Ports();
  if (ports.empty()) {
    std::fprintf(stderr, "hostile_bench: the farm could not start\n");
    return 1;
  }
  {
    std::ofstream list(home.Path() + "/server.vyk", std::ios::binary);
    for (std::uint16_t port : ports) list << "127.0.0.1:" << port << "\n";
  }
  const std::optional<Rounds> all = RunRounds(farm, configs, rounds, honest);
  if (!all) return 1;

  std::printf("hostile_bench: servers=%d hostile=%d crashes=%d honest_rows_ok=%d/%d wall_ms=%ld\n",
              servers, servers - honest, all->crashes, all->worstHonest, honest,
              all->ended ? all->wallSum / all->ended : 0L);
  return all->crashes == 0 && all->worstHonest == honest ? 0 : 1;
}
