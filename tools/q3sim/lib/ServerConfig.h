// What one virtual Quake III server says and how it misbehaves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace q3sim {

struct Player {
  int score = 0;
  int ping = 0;
  std::string name;  // 8-bit text, colour codes kept
};

// Info values in the order the server sends them.
using InfoList = std::vector<std::pair<std::string, std::string>>;

// Console output of one rcon command (the text after the password). Runs on the
// farm's thread with the farm locked: it must not call back into the farm.
using RconHandler = std::function<std::string(const std::string& command)>;

// Wire.cpp carries every field but rconHandler to `q3sim --control`: a new field goes there too.
struct ServerConfig {
  InfoList info;
  std::vector<Player> players;

  // Reply delay, drawn per request uniformly from [latencyMinMs, latencyMaxMs]
  // with a generator seeded by latencySeed; equal bounds give a fixed delay.
  int latencyMinMs = 0;
  int latencyMaxMs = 0;
  std::uint32_t latencySeed = 1;
  bool silent = false;  // counts requests, never answers
  // A "getstatus" argument comes back as the info key "challenge", as ioquake3
  // does; false for a server that ignores it.
  bool echoChallenge = true;

  std::string rconPassword;  // empty: "No rconpassword set on the server."
  RconHandler rconHandler;   // empty: DefaultRconOutput

  // Faults.
  int splitInto = 1;  // >1: every reply datagram cut into this many, sent back to back
  bool splitRepeatsHeader = false;  // later pieces start with 0xFF x4 and the reply's header line
  std::size_t padTo = 0;            // status reply padded to at least this many bytes ("sv_pad")
  std::optional<std::vector<std::string>> rawReply;  // sent byte for byte instead of any reply
  bool rateLimit = false;                            // ioquake3's leaky buckets

  // Hostile answers (see Hostile.h for the kinds built from these).
  std::vector<std::string> rawPlayerLines;  // status player lines sent as given after players'
  std::size_t statusLimit = 16384;  // player lines stop before the reply reaches it; 0: none
  std::size_t datagramMax = 0;      // >0: longer reply datagrams cut into pieces of at most this
  int floodAfter = 0;               // garbage datagrams sent right behind every reply
  std::uint32_t floodSeed = 1;      // what the garbage is
  bool replyFromOtherPort = false;  // the reply leaves from another socket of the farm
  bool strayBeforeReply = false;    // and a garbage datagram from a third socket goes first
  std::uint32_t hostile = 0;        // HostileBit of every kind the server was made with

  // Value of the first info key equal to key (case-sensitive), or "".
  std::string Info(const std::string& key) const;
  // Replaces the first value of key in place, or appends the pair.
  void SetInfo(const std::string& key, const std::string& value);
  void RemoveInfo(const std::string& key);
  void SetLatency(int ms) { latencyMinMs = latencyMaxMs = ms; }
  void SetLatency(int minMs, int maxMs, std::uint32_t seed) {
    latencyMinMs = minMs;
    latencyMaxMs = maxMs;
    latencySeed = seed;
  }
};

// A plausible ioquake3 server: version, sv_hostname, mapname, sv_maxclients,
// sv_privateClients, g_needpass, protocol, gamename, g_gametype and more.
ServerConfig DefaultServerConfig(const std::string& hostname = "^1Loopback ^7Arena",
                                 const std::string& map = "q3dm17", int protocol = 68);

// Echo of the command, except "status" (player table) and "serverinfo" (info values).
std::string DefaultRconOutput(const ServerConfig& config, const std::string& command);

}  // namespace q3sim
