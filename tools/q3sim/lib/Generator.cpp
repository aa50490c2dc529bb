#include "Generator.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "Farm.h"

namespace q3sim {

namespace {

const char* const kMaps[] = {"q3dm1",      "q3dm6",          "q3dm7",      "q3dm13", "q3dm17",
                             "q3tourney2", "q3tourney4",     "q3tourney6", "q3ctf1", "q3ctf4",
                             "pro-q3dm6",  "pro-q3tourney4", "ztn3dm1",    "cpm22",  "hub3aeroq3"};
const char* const kHostWords[] = {"Rocket", "Rail",     "Frag",   "Arena", "Camper",  "Quad",
                                  "Lava",   "Gauntlet", "Plasma", "Shaft", "Tourney", "Pub"};
const char* const kHostTails[] = {"Central", "Palace", "House", "Zone", "Pit", "Club", "Den"};
const char* const kPlayerNames[] = {"Sarge",  "Visor",  "Klesk", "Xaero",     "Anarki", "Doom",
                                    "Ranger", "Hunter", "Major", "Slash",     "Orbb",   "Bones",
                                    "Grunt",  "Keel",   "Lucy",  "Mynx",      "Razor",  "Sorlag",
                                    "Tankjr", "Uriel",  "Wrack", "Bitterman", "Daemia", "Hossman"};
// g_gametype: free for all, tournament, team deathmatch, capture the flag.
const int kGametypes[] = {0, 0, 0, 1, 3, 4};
// Mostly the base game; a few mods, whose directory the server names in "gamename".
const char* const kGames[] = {"baseq3", "baseq3", "baseq3", "baseq3", "baseq3",
                              "baseq3", "osp",    "cpma",   "defrag", "baseq3"};
const int kMaxClients[] = {8, 10, 12, 16, 16, 20, 24, 32};

template <typename T, std::size_t N>
const T& Pick(std::mt19937& rng, const T (&items)[N]) {
  return items[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
}

int Between(std::mt19937& rng, int lo, int hi) {
  if (hi < lo) std::swap(lo, hi);
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

std::string Colour(std::mt19937& rng) {
  return "^" + std::to_string(Between(rng, 1, 7));
}

std::string HostName(std::mt19937& rng, int index) {
  std::string name = Colour(rng) + Pick(rng, kHostWords) + " " + Colour(rng) +
                     Pick(rng, kHostTails) + "^7 #" + std::to_string(index + 1);
  return name;
}

std::string PlayerName(std::mt19937& rng) {
  std::string name = Pick(rng, kPlayerNames);
  switch (Between(rng, 0, 3)) {
    case 0:
      return Colour(rng) + name;
    case 1:
      return Colour(rng) + name.substr(0, name.size() / 2) + Colour(rng) +
             name.substr(name.size() / 2);
    case 2:
      return "^7[" + Colour(rng) + "Q3" + "^7]" + name;
    default:
      return name;
  }
}

}  // namespace

bool IsHostileSlot(int index, int count, int hostile) {
  if (count <= 0 || hostile <= 0 || index < 0 || index >= count) return false;
  const long long h = std::min(hostile, count);
  return (index + 1) * h / count > index * h / count;
}

GeneratorOptions HostileFarmOptions(int count, double hostileFraction) {
  return {.count = count,
          .seed = 3,
          .latencyMinMs = 0,
          .latencyMaxMs = 1,
          .playersMin = 0,
          .playersMax = 10,
          .hostileFraction = hostileFraction};
}

std::vector<ServerConfig> GenerateServers(const GeneratorOptions& options) {
  const int hostileCount = static_cast<int>(
      std::llround(std::clamp(options.hostileFraction, 0.0, 1.0) * std::max(0, options.count)));
  int hostileMade = 0;
  std::mt19937 rng(options.seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<ServerConfig> out;
  out.reserve(static_cast<std::size_t>(std::max(0, options.count)));
  for (int i = 0; i < options.count; ++i) {
    int protocol = options.protocols.empty()
                       ? 68
                       : options.protocols[std::uniform_int_distribution<std::size_t>(
                             0, options.protocols.size() - 1)(rng)];
    ServerConfig c = DefaultServerConfig(HostName(rng, i), Pick(rng, kMaps), protocol);
    int maxClients = std::max(Pick(rng, kMaxClients), options.playersMax + 1);
    int gametype = Pick(rng, kGametypes);
    bool full = unit(rng) < options.fullFraction;
    bool needPass = unit(rng) < options.passwordFraction;
    c.silent = unit(rng) < options.silentFraction;
    c.SetLatency(
        Between(rng, std::max(0, options.latencyMinMs), std::max(0, options.latencyMaxMs)));
    c.latencySeed = options.seed + static_cast<std::uint32_t>(i);
    c.SetInfo("sv_maxclients", std::to_string(maxClients));
    c.SetInfo("g_gametype", std::to_string(gametype));
    c.SetInfo("g_needpass", needPass ? "1" : "0");
    c.SetInfo("gamename", Pick(rng, kGames));
    if (gametype == 1) c.SetInfo("fraglimit", "10");
    int players = full ? maxClients
                       : std::min(maxClients - 1, Between(rng, std::max(0, options.playersMin),
                                                          std::max(0, options.playersMax)));
    for (int p = 0; p < players; ++p) {
      bool bot = Between(rng, 0, 9) == 0;
      c.players.push_back(
          Player{Between(rng, -5, 60), bot ? 0 : Between(rng, 5, 250), PlayerName(rng)});
    }
    c.rconPassword = options.rconPassword;
    // Hostility draws nothing from rng: the honest servers stay those of the same seed.
    if (IsHostileSlot(i, options.count, hostileCount)) {
      const int h = hostileMade++;
      const auto kind = static_cast<HostileKind>(h % kHostileKindCount);
      const std::uint32_t seed = options.seed * 7919u + static_cast<std::uint32_t>(i);
      MakeHostile(c, kind, seed);
      const int round = h / kHostileKindCount;
      if (round % 3 == 1 && kind != HostileKind::kFlood) MakeHostile(c, HostileKind::kFlood, seed);
      if (round % 3 == 2 && kind != HostileKind::kOtherPort)
        MakeHostile(c, HostileKind::kOtherPort, seed);
      c.silent = false;
    }
    out.push_back(std::move(c));
  }
  return out;
}

std::vector<int> AddServers(Farm& farm, const std::vector<ServerConfig>& configs,
                            std::uint16_t basePort, const std::vector<Family>& families) {
  std::vector<int> ids;
  ids.reserve(configs.size());
  for (std::size_t i = 0; i < configs.size(); ++i) {
    unsigned port = basePort == 0 ? 0u : basePort + static_cast<unsigned>(i);
    if (port > 65535) return {};
    const Family family = i < families.size() ? families[i] : Family::kIpv4;
    int id = farm.AddServer(configs[i], static_cast<std::uint16_t>(port), family);
    if (id < 0) return {};
    ids.push_back(id);
  }
  return ids;
}

}  // namespace q3sim
