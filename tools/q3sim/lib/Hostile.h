// Servers that answer with the worst they can send: oversized and binary answers,
// absurd numbers, control characters, text meant to end up on a command line, floods
// and answers from ports nobody asked.
#pragma once

#include <cstdint>
#include <string>

#include "ServerConfig.h"

namespace q3sim {

enum class HostileKind : int {
  kBackslashes8192,       // exactly 8192 bytes: the statusResponse header, then backslashes
  kBackslashGarbage8192,  // exactly 8192 bytes: backslash runs mixed with garbage, no NUL
  kHighBytes,             // bytes above 127 in every key, value and player name
  kNulBytes,              // a NUL byte (and bytes above 127) inside every key, value and name
  kTenThousandPlayers,    // 10,000 player lines in datagrams of at most 1400 bytes
  kLongNames,             // player names of 500 characters, sv_hostname of 520, a long map
  kHugeNumbers,           // sv_maxclients, protocol, scores and pings beyond 32 bits
  kControlChars,          // CR, LF, ESC, DEL and tab inside keys, values and names
  kInjection,             // gamename, fs_game, protocol and map meant as options or paths
  kFlood,                 // 200 garbage datagrams right behind the reply
  kOtherPort,             // the reply from another port, some after garbage from a third
};
inline constexpr int kHostileKindCount = 11;

inline std::uint32_t HostileBit(HostileKind kind) {
  return 1u << static_cast<int>(kind);
}
const char* HostileKindName(HostileKind kind);

// Adds the kind's behaviour to the config (kinds combine; a kind that replaces the
// whole answer, like the 8192-byte ones, wins over the content of the others). The
// same kind and seed always give the same bytes.
void MakeHostile(ServerConfig& config, HostileKind kind, std::uint32_t seed);
// A plausible server made hostile of one kind.
ServerConfig MakeHostileConfig(HostileKind kind, std::uint32_t seed);

// The values the kInjection kind cycles through, by seed.
std::string InjectedGamename(std::uint32_t seed);
std::string InjectedFsGame(std::uint32_t seed);
std::string InjectedProtocol(std::uint32_t seed);

}  // namespace q3sim
