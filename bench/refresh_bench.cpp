// Full refresh of a loopback farm of 2000 servers (25 % silent, latency 5 to
// 150 ms) at maxThread 16 and 64, against the ideal of list-order greedy
// scheduling on maxThread slots; then the first 500 servers again at
// maxThread 64 while two busy loops take both cores. A ping's error is
// measured against the moments the farm really received each request and sent
// its reply. The farm runs in a forked child process, so the Threads figure of
// /proc/self/status counts this process's threads only: the main thread plus
// the refresh workers. Last, 1000 servers of another farm that loses 10 % of
// every datagram either way, refreshed with one status request per server and
// with the default attempts: how many answering servers end up looking silent.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <queue>
#include <string>
#include <vector>

#include "BenchHome.h"
#include "Farm.h"
#include "ForkedFarm.h"
#include "Generator.h"
#include "config/ConfigFile.h"
#include "core/Refresh.h"
#include "core/ServerList.h"

namespace {

constexpr int kServers = 2000;
constexpr int kTimeoutMs = 2000;
constexpr int kLoadedServers = 500;
constexpr int kBusyLoops = 2;
constexpr int kLossyServers = 1000;
constexpr double kLoss = 0.10;

class BenchView : public vyk::RefreshView {
 public:
  void UpdateRow(int) override { Sample(); }
  void RebuildRows(bool) override {}
  void SelectRow(int) override {}
  void SetCursor(vyk::RefreshCursor) override {}
  void SetDrawingFrozen(bool) override {}
  void KeepPainted() override { Sample(); }
  long threadsMax = 0;

 private:
  void Sample() { threadsMax = std::max(threadsMax, bench::StatusField("Threads")); }
};

long IdealMs(const std::vector<q3sim::ServerConfig>& configs, int slots) {
  std::priority_queue<long, std::vector<long>, std::greater<long>> free;
  for (int s = 0; s < slots; ++s) free.push(0);
  long makespan = 0;
  for (const auto& config : configs) {
    long start = free.top();
    free.pop();
    long end = start + (config.silent ? kTimeoutMs : config.latencyMinMs);
    makespan = std::max(makespan, end);
    free.push(end);
  }
  return makespan;
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t at = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

struct Round {
  long wallMs = 0;
  std::vector<double> errors;  // |ping - whole ms the reply really took|
  int wrong = 0;               // servers that answered unlike their configuration
  int silentWrongly = 0;       // of them, answering servers that ended timed out
  long threadsMax = 0;
};

Round Refresh(bench::ForkedFarm& farm, const std::vector<q3sim::ServerConfig>& configs, int count,
              int maxThread, int queryAttempts = vyk::Settings{}.queryAttempts) {
  vyk::ServerList servers;
  for (int i = 0; i < count; ++i) servers.Add(vyk::ServerInfo("127.0.0.1", farm.Ports()[i]));
  vyk::Settings settings;
  settings.maxThread = maxThread;
  settings.queryAttempts = queryAttempts;
  BenchView view;

  Round round;
  const auto start = std::chrono::steady_clock::now();
  vyk::RefreshAll(servers, settings, view, false);
  round.wallMs = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - start)
                                       .count());
  round.threadsMax = view.threadsMax;

  const std::vector<bench::ReplyMoments> replies = farm.LastReplies();
  for (int i = 0; i < servers.Count(); ++i) {
    const vyk::ServerInfo& record = servers.At(i);
    if (configs[i].silent) {
      round.wrong += !record.IsTimedOut();
      continue;
    }
    if (record.IsTimedOut() || replies.empty()) {
      ++round.wrong;
      round.silentWrongly += record.IsTimedOut();
      continue;
    }
    // Loopback delivers in the sender's call: the request arrived as the
    // worker sent it, and the reply as the farm sent it. A server's last reply
    // is the one answered: latencies stay below the spacing of the attempts,
    // so a retry goes out only when no reply to the one before got through.
    const bench::ReplyMoments& reply = replies[static_cast<std::size_t>(i)];
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(reply.sent - reply.requestArrived);
    round.errors.push_back(std::abs(static_cast<double>(record.ping - took.count())));
  }
  return round;
}

// Processes that keep every core busy until they are killed.
std::vector<pid_t> StartBusyLoops(bench::ForkedFarm& farm, int count) {
  std::vector<pid_t> loops;
  std::fflush(stdout);
  for (int i = 0; i < count; ++i) {
    const pid_t child = fork();
    if (child == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      farm.ReleaseInChild();
      volatile unsigned long spin = 0;
      for (;;) spin = spin + 1;
    }
    if (child > 0) loops.push_back(child);
  }
  return loops;
}

void StopBusyLoops(const std::vector<pid_t>& loops) {
  for (pid_t loop : loops) kill(loop, SIGKILL);
  for (pid_t loop : loops) waitpid(loop, nullptr, 0);
}

// False, with a line on stderr, when servers answered unlike their configuration.
bool AllAsConfigured(const char* what, const Round& round) {
  if (round.wrong == 0) return true;
  std::fprintf(stderr, "refresh_bench: %s: %d servers answered unlike their configuration\n", what,
               round.wrong);
  return false;
}

// False, with a line on stderr, when silent servers answered through the loss.
bool NoSilentAnswered(const char* attempts, const Round& round) {
  if (round.wrong == round.silentWrongly) return true;
  std::fprintf(stderr, "refresh_bench: loss%s: %d silent servers answered\n", attempts,
               round.wrong - round.silentWrongly);
  return false;
}

// The whole farm at maxThread 16 and 64, and part of it at 64 on a loaded machine;
// the exit status.
int RefreshAtEachWidth(bench::ForkedFarm& farm, const std::vector<q3sim::ServerConfig>& configs) {
  int status = 0;
  const Round few = Refresh(farm, configs, kServers, 16);
  if (!AllAsConfigured("maxThread=16", few)) status = 1;
  std::printf(
      "refresh_bench: servers=%d maxThread=16 wall_ms=%ld ideal_ms=%ld ratio=%.3f "
      "ping_err_p50_ms=%.1f ping_err_p99_ms=%.1f threads_max=%ld rss_mb=%ld\n",
      kServers, few.wallMs, IdealMs(configs, 16),
      static_cast<double>(few.wallMs) / static_cast<double>(IdealMs(configs, 16)),
      Percentile(few.errors, 0.5), Percentile(few.errors, 0.99), few.threadsMax,
      (bench::StatusField("VmHWM") + 1023) / 1024);
  std::fflush(stdout);

  const Round many = Refresh(farm, configs, kServers, 64);
  if (!AllAsConfigured("maxThread=64", many)) status = 1;
  const std::vector<pid_t> loops = StartBusyLoops(farm, kBusyLoops);
  const Round loaded = Refresh(farm, configs, kLoadedServers, 64);
  StopBusyLoops(loops);
  if (!AllAsConfigured("loaded", loaded)) status = 1;
  const long idealMs = IdealMs(configs, 64);
  std::printf(
      "refresh_bench: servers=%d maxThread=64 wall_ms=%ld ideal_ms=%ld ratio=%.3f "
      "ping_err_p50_ms=%.1f ping_err_p99_ms=%.1f ping_err_p99_loaded_ms=%.1f threads_max=%ld "
      "rss_mb=%ld\n",
      kServers, many.wallMs, idealMs,
      static_cast<double>(many.wallMs) / static_cast<double>(idealMs), Percentile(many.errors, 0.5),
      Percentile(many.errors, 0.99), Percentile(loaded.errors, 0.99), many.threadsMax,
      (bench::StatusField("VmHWM") + 1023) / 1024);
  std::fflush(stdout);
  return status;
}

// The lossy farm with one status request per server, then with the default attempts;
// the exit status.
int RefreshThroughLoss(bench::ForkedFarm& lossy, const std::vector<q3sim::ServerConfig>& configs) {
  int status = 0;
  const Round single = Refresh(lossy, configs, kLossyServers, 64, 1);
  if (!NoSilentAnswered(" query_attempts=1", single)) status = 1;
  std::printf(
      "refresh_bench: loss=%d%% servers=%d query_attempts=1 silent_wrongly=%d "
      "ping_err_p95_ms=%.1f\n",
      static_cast<int>(kLoss * 100), kLossyServers, single.silentWrongly,
      Percentile(single.errors, 0.95));
  std::fflush(stdout);
  const Round retried = Refresh(lossy, configs, kLossyServers, 64);
  if (!NoSilentAnswered("", retried)) status = 1;
  std::printf("refresh_bench: loss=%d%% servers=%d silent_wrongly=%d ping_err_p95_ms=%.1f\n",
              static_cast<int>(kLoss * 100), kLossyServers, retried.silentWrongly,
              Percentile(retried.errors, 0.95));
  std::fflush(stdout);
  return status;
}

}  // namespace

int main() {
  const bench::BenchHome home("vykbench");
  if (!home.Made()) return 1;
  bench::RaiseFileLimit();

  const std::vector<q3sim::ServerConfig> configs = q3sim::GenerateServers({.count = kServers,
                                                                           .seed = 1,
                                                                           .silentFraction = 0.25,
                                                                           .latencyMinMs = 5,
                                                                           .latencyMaxMs = 150});
  bench::ForkedFarm farm(configs);
  if (farm.Ports().empty()) {
    std::fprintf(stderr, "refresh_bench: the farm could not start\n");
    return 1;
  }
  int status = RefreshAtEachWidth(farm, configs);

  const std::vector<q3sim::ServerConfig> lossyConfigs =
      q3sim::GenerateServers({.count = kLossyServers,
                              .seed = 2,
                              .silentFraction = 0.25,
                              .latencyMinMs = 5,
                              .latencyMaxMs = 150});
  bench::ForkedFarm lossy(lossyConfigs, kLoss, 3);
  if (lossy.Ports().empty()) {
    std::fprintf(stderr, "refresh_bench: the lossy farm could not start\n");
    return 1;
  }
  if (RefreshThroughLoss(lossy, lossyConfigs) != 0) status = 1;

  return status;
}
