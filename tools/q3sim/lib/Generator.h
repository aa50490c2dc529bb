// Deterministic farms of varied servers, shared by the q3sim command and benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Family.h"
#include "Hostile.h"
#include "ServerConfig.h"

namespace q3sim {

class Farm;

struct GeneratorOptions {
  int count = 10;
  std::uint32_t seed = 1;
  double silentFraction = 0.0;  // share of servers that never answer
  int latencyMinMs = 0;         // each server gets one fixed latency drawn from
  int latencyMaxMs = 0;         //   [latencyMinMs, latencyMaxMs]
  int playersMin = 0;           // players of a server that is not full
  int playersMax = 8;
  std::vector<int> protocols{68};  // drawn uniformly per server
  double fullFraction = 0.0;       // share with as many players as sv_maxclients
  double passwordFraction = 0.0;   // share with g_needpass 1
  std::string rconPassword{};      // for every server; empty: none set
  // Share of servers made hostile (Hostile.h), spread evenly over the farm: round(count *
  // hostileFraction) of them. The kinds are cycled in order, so every kind appears once
  // there are at least kHostileKindCount hostile servers; later rounds add a flood or an
  // answer from another port on top. Hostile servers are never silent.
  double hostileFraction = 0.0;
};

// The same options and seed always give the same servers. Each config carries a
// fixed latency (latencyMinMs == latencyMaxMs) and its silence, so callers can
// read what every server will do.
std::vector<ServerConfig> GenerateServers(const GeneratorOptions& options);

// A farm that answers at once with up to 10 players a server, `hostileFraction` of
// its servers hostile: what the hostile refresh test and benchmark both measure.
GeneratorOptions HostileFarmOptions(int count, double hostileFraction);

// Whether server `index` of a farm of `count` is one of the `hostile` hostile ones.
bool IsHostileSlot(int index, int count, int hostile);

// Adds the configs to the farm, server i on basePort + i (basePort 0: free ports)
// of families[i] (IPv4 past its end). Returns the ids in order, or an empty vector
// when a port cannot be bound (the servers added so far stay in the farm).
std::vector<int> AddServers(Farm& farm, const std::vector<ServerConfig>& configs,
                            std::uint16_t basePort = 0, const std::vector<Family>& families = {});

}  // namespace q3sim
