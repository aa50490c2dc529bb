#include "Hostile.h"

#include <algorithm>
#include <random>
#include <string_view>
#include <vector>

#include "Replies.h"

namespace q3sim {

namespace {

const std::string kStatusHead = std::string(kOobMarker) + "statusResponse\n";

template <std::size_t N>
std::string Pick(const std::string_view (&items)[N], std::uint32_t seed) {
  return std::string(items[seed % N]);
}

int Between(std::mt19937& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

std::string HighRun(std::mt19937& rng) {
  std::string run;
  for (int i = Between(rng, 2, 6); i > 0; --i) run += static_cast<char>(Between(rng, 0x80, 0xFF));
  return run;
}

std::string WithNul(const std::string& text, std::mt19937& rng) {
  const std::size_t at = text.empty() ? 0 : 1 + rng() % text.size();
  return text.substr(0, at) + '\0' + HighRun(rng) + text.substr(std::min(at, text.size()));
}

void EnsurePlayers(ServerConfig& c) {
  if (c.players.empty()) c.players = {{3, 40, "^1Alpha"}, {-1, 0, "Beta"}, {17, 120, "^2Ga^3mma"}};
}

std::string Digits(std::size_t n, char first) {
  std::string d(n, '9');
  d[0] = first;
  return d;
}

// An answer of exactly 8192 bytes: runs of backslashes and of other bytes (never NUL),
// newlines among them, so both parses see the whole of it.
std::string BackslashGarbage(std::mt19937& rng) {
  std::string d = kStatusHead;
  while (d.size() < 8192) {
    d.append(static_cast<std::size_t>(Between(rng, 1, 64)), '\\');
    for (int i = Between(rng, 1, 64); i > 0; --i) {
      int b = Between(rng, 1, 255);
      if (b == '\\') b = '"';
      d += static_cast<char>(b);
    }
  }
  d.resize(8192);
  return d;
}

constexpr std::string_view kGamenames[] = {"+set sv_cheats 1",
                                           "../quake3",
                                           "baseq3 +exec evil",
                                           "\"; rm -rf ~; \"",
                                           "..",
                                           "...",
                                           "mod;+exec evil",
                                           "mod\" +exec \"evil",
                                           "-game ../x",
                                           "/etc",
                                           "baseq3\t+exec\tevil",
                                           "..mod",
                                           "osp/../../etc"};
constexpr std::string_view kFsGames[] = {
    "../../etc", "baseq3 +exec evil", "\"; rm -rf ~; \"", "+set sv_cheats 1", "/tmp", "..."};
constexpr std::string_view kProtocols[] = {"68 +connect 1.2.3.4", "68\"",       "../quake3",
                                           "68/../../x",          "-1",         "68 +exec evil",
                                           "99999999999",         "66;rm -rf ~"};
constexpr std::string_view kEvilNames[] = {
    "^1Evil +connect 6.6.6.6 \"; +exec evil", "<img width=4000 height=4000>",
    "<b>bold</b> &lt;tag&gt; <a href=x>link</a>", "\"+set\" \"fs_game\" \"..\""};

void AddHighBytes(ServerConfig& c, std::uint32_t seed, std::mt19937& rng) {
  EnsurePlayers(c);
  const bool keysToo = seed % 2 == 0;
  for (auto& [k, v] : c.info) {
    if (keysToo) k = HighRun(rng) + k + HighRun(rng);
    v = HighRun(rng) + v + HighRun(rng);
  }
  if (!keysToo) {
    for (int i = 0; i < 3; ++i)
      c.info.emplace_back(HighRun(rng) + "key" + HighRun(rng), HighRun(rng));
  }
  for (Player& p : c.players) p.name = HighRun(rng) + p.name + HighRun(rng);
}

void AddNulBytes(ServerConfig& c, std::uint32_t, std::mt19937& rng) {
  EnsurePlayers(c);
  for (auto& [k, v] : c.info) {
    k = WithNul(k, rng);
    v = WithNul(v, rng);
  }
  for (Player& p : c.players) p.name = WithNul(p.name, rng);
}

void SetTenThousandPlayers(ServerConfig& c, std::uint32_t, std::mt19937&) {
  c.players.clear();
  c.players.reserve(10000);
  for (int i = 0; i < 10000; ++i)
    c.players.push_back(
        {i % 50 - 5, 5 + i % 300, "^" + std::to_string(i % 8) + "p" + std::to_string(i)});
  c.statusLimit = 0;
  c.datagramMax = 1400;
}

void SetLongNames(ServerConfig& c, std::uint32_t, std::mt19937&) {
  std::string host = "^1Long";
  while (host.size() < 520) host += (host.size() / 7) % 2 ? "^3Hostname" : " name ";
  host.resize(520);
  c.SetInfo("sv_hostname", host);
  c.SetInfo("mapname", std::string(300, 'm'));
  c.players.clear();
  for (int i = 0; i < 6; ++i) {
    std::string name = "^" + std::to_string(1 + i);
    while (name.size() < 500) name += static_cast<char>('a' + (name.size() + i) % 26);
    c.players.push_back({i, 10 * i, name});
  }
}

void SetHugeNumbers(ServerConfig& c, std::uint32_t seed, std::mt19937&) {
  constexpr std::string_view kMaxClients[] = {"-5", "99999999999999999999", "-2147483649",
                                              "4294967296"};
  constexpr std::string_view kPrivate[] = {"4294967296", "-2147483649", "99999999999999999999"};
  std::string maxClients = seed % 5 == 4 ? Digits(300, '1') : Pick(kMaxClients, seed);
  c.SetInfo("sv_maxclients", maxClients);
  c.SetInfo("protocol", seed % 2 ? "99999999999" : "-1");
  c.SetInfo("sv_privateClients", Pick(kPrivate, seed));
  c.SetInfo("g_needpass", "4294967297");
  c.SetInfo("g_gametype", "-2147483649");
  c.players.clear();
  c.rawPlayerLines = {
      "-2147483649 4294967296 \"^1neg\"\n",
      "4294967296 -2147483649 \"^2wrap\"\n",
      "99999999999999999999 99999999999999999999 \"^3huge\"\n",
      Digits(400, '8') + " -" + Digits(400, '7') + " \"^4run\"\n",
      "2147483647 -2147483648 \"edge\"\n",
      "-0 +12 \"signs\"\n",
  };
}

void AddControlChars(ServerConfig& c, std::uint32_t seed, std::mt19937&) {
  EnsurePlayers(c);
  c.SetInfo("sv_hostname", "^1Ctl\x1b[2J\x1b[31mRed\x7f\tTab\rCR\x08\x07^7 end");
  c.SetInfo("mapname", seed % 2 ? "q3dm\r17\t" : "\x1b]0;title\x07q3dm17");
  // A line feed ends the info line early; what follows reads as a player line.
  c.SetInfo(seed % 2 ? "fraglimit" : "version", "20\n12 34 \"^1fake\x1b\"");
  c.info.emplace_back("ke\ty\x1b", "va\rl\x7f\x01");
  c.players.push_back({1, 2, "\x1b[31mRed\x1b[0m"});
  c.players.push_back({3, 4, "tab\tname"});
  c.players.push_back({5, 6, "cr\rname"});
  c.players.push_back({7, 8, "del\x7fname"});
  c.players.push_back({9, 10, "nl\nname"});
  c.players.push_back({11, 12, "bell\x07\x08\x0c"});
}

void SetBackslashes8192(ServerConfig& c, std::uint32_t, std::mt19937&) {
  c.rawReply = std::vector<std::string>{kStatusHead + std::string(8192 - kStatusHead.size(), '\\')};
}

void SetBackslashGarbage8192(ServerConfig& c, std::uint32_t, std::mt19937& rng) {
  c.rawReply = std::vector<std::string>{BackslashGarbage(rng)};
}

void SetInjection(ServerConfig& c, std::uint32_t seed, std::mt19937&) {
  c.SetInfo("gamename", InjectedGamename(seed));
  c.SetInfo("fs_game", InjectedFsGame(seed));
  c.SetInfo("protocol", InjectedProtocol(seed));
  c.SetInfo("mapname", seed % 2 ? "../../baseq3/maps/evil" : "q3dm17 +exec evil");
  c.SetInfo("sv_hostname", Pick(kEvilNames, seed));
  c.SetInfo("g_needpass", "0");
}

void SetFlood(ServerConfig& c, std::uint32_t seed, std::mt19937&) {
  c.floodAfter = 200;
  c.floodSeed = seed;
}

void SetOtherPort(ServerConfig& c, std::uint32_t seed, std::mt19937&) {
  c.replyFromOtherPort = true;
  c.strayBeforeReply = seed % 2 == 0;
  c.floodSeed = seed;
}

// Each kind's name and what makes it, in the order of HostileKind.
struct Kind {
  const char* name;
  void (*make)(ServerConfig& c, std::uint32_t seed, std::mt19937& rng);
};
constexpr Kind kKinds[] = {
    {"backslashes8192", SetBackslashes8192},
    {"backslash-garbage8192", SetBackslashGarbage8192},
    {"high-bytes", AddHighBytes},
    {"nul-bytes", AddNulBytes},
    {"10000-players", SetTenThousandPlayers},
    {"long-names", SetLongNames},
    {"huge-numbers", SetHugeNumbers},
    {"control-chars", AddControlChars},
    {"injection", SetInjection},
    {"flood", SetFlood},
    {"other-port", SetOtherPort},
};
static_assert(std::size(kKinds) == kHostileKindCount);

}  // namespace

const char* HostileKindName(HostileKind kind) {
  const int i = static_cast<int>(kind);
  return i >= 0 && i < kHostileKindCount ? kKinds[i].name : "?";
}

std::string InjectedGamename(std::uint32_t seed) {
  return Pick(kGamenames, seed);
}
std::string InjectedFsGame(std::uint32_t seed) {
  return Pick(kFsGames, seed);
}
std::string InjectedProtocol(std::uint32_t seed) {
  return Pick(kProtocols, seed);
}

void MakeHostile(ServerConfig& c, HostileKind kind, std::uint32_t seed) {
  const int i = static_cast<int>(kind);
  if (i < 0 || i >= kHostileKindCount) return;
  std::mt19937 rng(seed * 2654435761u + static_cast<std::uint32_t>(kind));
  c.hostile |= HostileBit(kind);
  kKinds[i].make(c, seed, rng);
}

ServerConfig MakeHostileConfig(HostileKind kind, std::uint32_t seed) {
  ServerConfig c = DefaultServerConfig("^1Hostile ^7#" + std::to_string(seed), "q3dm17", 68);
  MakeHostile(c, kind, seed);
  return c;
}

}  // namespace q3sim
