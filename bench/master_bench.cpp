// The server list editor adding a master's longest reply: 65,536 distinct
// entries, fetched from the loopback master, added to a list of 1,000 servers
// through the editor's own function while cache.srv holds 10,000 servers.
// Then four masters of 4,000 entries each, a quarter of every list also on
// the next master's, asked at once, merged and added the same way.
// Works in a temporary program directory; never touches the user's files.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "BenchHome.h"
#include "Farm.h"
#include "core/ServerCache.h"
#include "core/ServerList.h"
#include "core/Settings.h"
#include "discovery/MasterQuery.h"
#include "discovery/Masters.h"

namespace {

// One master's reply as large as a reply may be, added to a list that holds some
// servers already, with names for some of the new ones in cache.srv.
constexpr int kEntries = 65536;
constexpr int kListed = 1000;
constexpr int kCached = 10000;

// Several masters whose lists overlap.
constexpr int kMasters = 4;
constexpr int kPerMaster = 4000;
constexpr int kShared = kPerMaster / 4;  // also on the next master's list
// A master's flood protection lets five requests through at once: the first
// Request asks each master twice, the next ones once.
constexpr int kRuns = 3;

q3sim::MasterEntry Entry(int n) {
  return {{10, 1, static_cast<std::uint8_t>(n / 256), static_cast<std::uint8_t>(n % 256)}, 27960};
}

std::string Address(const q3sim::MasterEntry& e) {
  return std::to_string(e.address[0]) + "." + std::to_string(e.address[1]) + "." +
         std::to_string(e.address[2]) + "." + std::to_string(e.address[3]) + ":" +
         std::to_string(e.port);
}

vyk::ServerList ListedServers() {
  vyk::ServerList list;
  for (int n = 0; n < kListed; ++n)
    list.Add(vyk::ServerInfo("192.168." + std::to_string(n / 256) + "." + std::to_string(n % 256),
                             27960, ""));
  return list;
}

// Four masters in a ring: master k lists entries 3000k to 3000k + 3999 of
// 12,000, so a quarter of its list is also the next master's. Each Request
// asks them all, merges and adds, as the editor does; the first one also
// learns which request each master knows.
bool SeveralMasters() {
  q3sim::Farm farm;
  vyk::Settings settings;
  settings.masterServer = "127.0.0.1";
  settings.protocol = "68";
  constexpr int kRing = kMasters * (kPerMaster - kShared);
  for (int k = 0; k < kMasters; ++k) {
    q3sim::MasterConfig config;
    config.listFarm = false;
    for (int i = 0; i < kPerMaster; ++i) {
      const int n = (k * (kPerMaster - kShared) + i) % kRing;
      config.extraEntries.push_back(
          {{10, 2, static_cast<std::uint8_t>(n / 256), static_cast<std::uint8_t>(n % 256)}, 27960});
    }
    if (k == 0) {
      farm.SetMasterConfig(config);
      settings.masterServerPort = farm.OpenMaster();
    } else {
      settings.moreMasters += farm.MasterAddress(farm.AddMaster(config)) + " ";
    }
  }
  if (!farm.Start()) return false;

  std::vector<double> times;
  int merged = 0;
  bool whole = true;
  for (int run = 0; run < kRuns; ++run) {
    vyk::ServerList list = ListedServers();
    const auto start = std::chrono::steady_clock::now();
    const vyk::MasterHarvest harvest = vyk::AskConfiguredMasters(settings);
    vyk::AddMasterServers(harvest.entries, list);
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    merged = static_cast<int>(harvest.entries.size());
    whole = whole && merged == kRing && list.Count() == kListed + kRing;
  }
  std::printf("several masters, ask + merge + add, ms:");
  for (double t : times) std::printf(" %.0f", t);
  std::printf(" (the first learns each master's request)\n");
  std::sort(times.begin(), times.end());
  std::printf("master_bench: masters=%d entries=%d merged=%d add_ms=%.0f\n", kMasters,
              kMasters * kPerMaster, merged, times.back());
  return whole;
}

}  // namespace

int main() {
  const bench::BenchHome home("vykbench");
  if (!home.Made()) return 1;

  std::vector<q3sim::MasterEntry> entries;
  for (int n = 0; n < kEntries; ++n) entries.push_back(Entry(n));
  {
    // One entry in six has a cached name; the rest read "-".
    std::ofstream out(vyk::ServerCachePath(), std::ios::binary);
    for (int n = 0; n < kCached; ++n)
      out << "[" << Address(Entry(n * 6)) << "]\r\nname=^1Cached ^7" << n
          << "\r\nconnectCount=" << n % 7 << "\r\n";
  }

  q3sim::Farm farm;
  q3sim::MasterConfig config;
  config.listFarm = false;
  config.extraEntries = entries;
  farm.SetMasterConfig(config);
  const std::uint16_t masterPort = farm.OpenMaster();
  if (masterPort == 0 || !farm.Start()) {
    std::fprintf(stderr, "master_bench: the farm could not start\n");
    return 1;
  }

  // Back-to-back datagrams can overflow the socket's buffer on a busy machine:
  // ask again until the whole reply has come.
  vyk::MasterQuery query("127.0.0.1", masterPort);
  int count = 0;
  for (int attempt = 0; attempt < 10 && count < kEntries; ++attempt)
    count = query.RequestServers("68", std::chrono::seconds(5));

  vyk::ServerList list = ListedServers();

  const auto start = std::chrono::steady_clock::now();
  vyk::AddMasterServers(query, list);
  const double addMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

  std::printf("list: %d before, %d after; named from the cache: %s\n", kListed, list.Count(),
              list.At(kListed + 6).name.c_str());
  std::printf("master_bench: entries=%d add_ms=%.0f\n", count, addMs);
  const bool oneReplyWhole = count == kEntries && list.Count() == kListed + kEntries;
  return SeveralMasters() && oneReplyWhole ? 0 : 1;
}
