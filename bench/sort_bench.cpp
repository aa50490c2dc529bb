// Sorting 10,000 rows by each key, with a cache.srv that holds a section for
// every server (the connection-count and favourite keys read it for every
// comparison).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "BenchHome.h"
#include "config/ConfigFile.h"
#include "core/ServerCache.h"
#include "core/ServerRows.h"

namespace {

constexpr int kServers = 10000;

// Random servers, some silent, and their cache.srv sections written to `cache`.
vyk::ServerList RandomServers(std::string& cache) {
  std::mt19937 rng(1);
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char* maps[] = {"q3dm1", "q3dm6", "q3dm17", "q3tourney2", "q3ctf1", "pro-q3dm6", "cpm22"};

  vyk::ServerList servers;
  for (int i = 0; i < kServers; ++i) {
    vyk::ServerInfo record(std::to_string(between(1, 223)) + "." + std::to_string(between(0, 255)) +
                               "." + std::to_string(i / 256) + "." + std::to_string(i % 256),
                           static_cast<std::uint16_t>(27960 + between(0, 3)));
    record.queried = true;
    const bool silent = between(0, 9) == 0;
    std::string name = between(0, 19) == 0 ? "-"
                                           : "^" + std::to_string(between(1, 7)) + "Server " +
                                                 std::to_string(between(0, 99999));
    if (!silent) {
      record.ping = between(5, 400);
      const int maxClients = between(8, 32);
      record.info = {{"mapname", maps[between(0, 6)]},
                     {"sv_maxclients", std::to_string(maxClients)}};
      for (int p = between(0, maxClients); p > 0; --p)
        record.players.Add({"player" + std::to_string(p), 50, 0, false});
      record.buddyCount = between(0, 2);
    }
    cache += "[" + record.Address() + "]\nname=" + name +
             "\nconnectCount=" + std::to_string(between(0, 5)) +
             "\nfavorite=" + (between(0, 9) == 0 ? "1" : "0") + "\n";
    record.name = name;
    servers.Add(record);
  }
  return servers;
}

// One key's sort of rows in list order, told on stdout; its milliseconds.
long SortMs(vyk::ServerList& servers, vyk::Settings& settings, int key) {
  vyk::NameList buddies;
  vyk::ServerRows rows(vyk::kSortNone);
  rows.Rebuild(servers, buddies, settings, true);  // rows in list order
  const auto start = std::chrono::steady_clock::now();
  rows.SortBy(key, servers);
  vyk::StoreLastServerSort(settings, key);  // as a header click does
  const long ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());
  std::printf("sort_bench: key=%d ms=%ld first_row=%d\n", key, ms, rows.IndexAt(0));
  return ms;
}

}  // namespace

int main() {
  const bench::BenchHome home("vykbench");
  if (!home.Made()) return 1;

  std::string cache;
  vyk::ServerList servers = RandomServers(cache);
  {
    std::ofstream out(vyk::ServerCachePath(), std::ios::binary);
    out << cache;
  }

  vyk::Settings settings;
  long worstMs = -1, key5Ms = 0;
  int worstKey = 0;
  for (int key = 0; key <= 8; ++key) {
    const long ms = SortMs(servers, settings, key);
    if (ms > worstMs) {
      worstMs = ms;
      worstKey = key;
    }
    if (key == vyk::kSortByAddress) key5Ms = ms;
  }
  std::printf("sort_bench: servers=%d worst_key=%d worst_ms=%ld key5_ms=%ld\n", kServers, worstKey,
              worstMs, key5Ms);
  return 0;
}
