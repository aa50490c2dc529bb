// Full refresh of a loopback farm of 2000 servers (25 % silent, latency 5 to
// 150 ms) at maxThread 16 and 64, against the ideal of list-order greedy
// scheduling on maxThread slots. The farm runs in a forked child process, so
// the Threads figure of /proc/self/status counts this process's threads only:
// the main thread plus the refresh workers.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <queue>
#include <string>
#include <vector>

#include "Farm.h"
#include "ForkedFarm.h"
#include "Generator.h"
#include "config/Settings.h"
#include "core/Refresh.h"
#include "core/ServerList.h"

namespace {

constexpr int kServers = 2000;
constexpr int kTimeoutMs = 2000;

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

}  // namespace

int main() {
  char home[] = "/tmp/vykbench.XXXXXX";
  if (!mkdtemp(home)) return 1;
  setenv("VYKFIND_HOME", home, 1);
  bench::RaiseFileLimit();

  q3sim::GeneratorOptions options;
  options.count = kServers;
  options.seed = 1;
  options.silentFraction = 0.25;
  options.latencyMinMs = 5;
  options.latencyMaxMs = 150;
  const std::vector<q3sim::ServerConfig> configs = q3sim::GenerateServers(options);

  bench::ForkedFarm farm(configs);
  const std::vector<std::uint16_t>& ports = farm.Ports();
  if (ports.empty()) {
    std::fprintf(stderr, "refresh_bench: the farm could not start\n");
    return 1;
  }

  int status = 0;
  for (int maxThread : {16, 64}) {
    vyk::ServerList servers;
    for (std::uint16_t port : ports) servers.Add(vyk::ServerInfo("127.0.0.1", port));
    vyk::Settings settings;
    settings.maxThread = maxThread;
    BenchView view;

    const auto start = std::chrono::steady_clock::now();
    vyk::RefreshAll(servers, settings, view, false);
    const long wallMs = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now() - start)
                                              .count());

    std::vector<double> errors;
    int wrong = 0;
    for (int i = 0; i < servers.Count(); ++i) {
      const vyk::ServerInfo& record = servers.At(i);
      if (configs[i].silent) {
        wrong += !record.IsTimedOut();
        continue;
      }
      if (record.IsTimedOut()) {
        ++wrong;
        continue;
      }
      errors.push_back(record.ping - configs[i].latencyMinMs);
    }
    const long idealMs = IdealMs(configs, maxThread);
    std::printf(
        "refresh_bench: servers=%d maxThread=%d wall_ms=%ld ideal_ms=%ld ratio=%.3f "
        "ping_err_p50_ms=%.1f ping_err_p99_ms=%.1f threads_max=%ld rss_mb=%ld\n",
        kServers, maxThread, wallMs, idealMs,
        static_cast<double>(wallMs) / static_cast<double>(idealMs), Percentile(errors, 0.5),
        Percentile(errors, 0.99), view.threadsMax, (bench::StatusField("VmHWM") + 1023) / 1024);
    if (wrong) {
      std::fprintf(stderr, "refresh_bench: %d servers answered unlike their configuration\n",
                   wrong);
      status = 1;
    }
    std::fflush(stdout);
  }

  std::error_code ignored;
  std::filesystem::remove_all(home, ignored);
  return status;
}
