// The bytes a Quake III server and a master put on the wire, built without sockets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "MasterConfig.h"
#include "ServerConfig.h"

namespace q3sim {

inline constexpr std::string_view kOobMarker{"\xff\xff\xff\xff", 4};
// ioquake3 redirects rcon output into a 1008-byte buffer; with its terminator a
// "print" datagram carries at most 1007 characters.
inline constexpr std::size_t kRconChunk = 1007;
inline constexpr std::size_t kMasterDatagramMax = 1400;

// A connectionless packet as ioquake3 reads it: the first line after the marker
// (cut at NUL or newline, '%' and bytes above 127 turned into '.', at most 1023
// characters) split into arguments by the console's tokenizer.
struct Request {
  bool outOfBand = false;  // begins with four 0xFF
  std::string line;
  std::vector<std::string> args;
  const std::string& Arg(std::size_t i) const;
};

Request ParseRequest(std::string_view datagram);

// "\key\value..." in list order.
std::string InfoString(const InfoList& info);

// statusResponse datagram; challenge (may be empty) is echoed as ioquake3 does.
std::string StatusResponse(const ServerConfig& config, const std::string& challenge);
// infoResponse datagram with the values ioquake3 derives from its settings.
std::string InfoResponse(const ServerConfig& config, const std::string& challenge);
// The "print" datagrams answering an rcon request.
std::vector<std::string> RconResponse(const ServerConfig& config, const Request& request);
// Console output packed into "print" datagrams the way ioquake3 flushes its redirect buffer.
std::vector<std::string> PrintDatagrams(const std::string& output);

// Cuts a datagram into parts pieces of nearly equal size. With repeatHeader every
// piece starts with the datagram's header line (0xFF x4, name, newline).
std::vector<std::string> SplitDatagram(const std::string& datagram, int parts, bool repeatHeader);

// Cuts a datagram into pieces of at most `most` bytes (0: never).
std::vector<std::string> CutDatagram(const std::string& datagram, std::size_t most);

// Every datagram the server answers the request with, in sending order (rawReply,
// or the reply cut by splitInto and datagramMax); empty when it does not answer.
// Rate limits and delivery (flood, other port) are the farm's.
std::vector<std::string> ReplyDatagrams(const ServerConfig& config, const Request& request);

// `count` garbage datagrams of 1 to 1400 bytes, any byte values; every fourth one
// starts like a statusResponse. The same seed gives the same bytes.
std::vector<std::string> FloodDatagrams(int count, std::uint32_t seed);
// One garbage datagram that starts like a statusResponse (no NUL byte).
std::string StrayDatagram(std::uint32_t seed);

// The game a "getserversExt" names for Quake III servers, whatever their mod.
inline constexpr std::string_view kMasterGame{"Quake3Arena"};

// A "getservers" or "getserversExt" request as dpmaster reads it: the text
// between the marker and the first zero byte, words split on blanks only (a line
// feed stays part of its word). In "getservers" a first word that is not a whole
// number names a game, and the protocol number must follow it; "getserversExt"
// always names its game first. Servers without a human player and full servers
// are listed only when the words "empty" and "full" ask for them.
struct ServersRequest {
  bool valid = false;
  bool ext = false;  // getserversExt
  std::string game;  // empty: any game
  long protocol = 0;
  bool empty = false;
  bool full = false;
  // Families asked for: getservers IPv4 alone; getserversExt both unless the
  // words "ipv4" or "ipv6" pick.
  bool ipv4 = true;
  bool ipv6 = false;
};
ServersRequest ParseServersRequest(std::string_view datagram);
// Whether the master's answer to the request names the server.
bool MasterLists(const ServersRequest& request, const ServerConfig& config);
// Whether an entry of that family belongs in the answer (extraEntries too).
bool MasterListsFamily(const ServersRequest& request, Family family);

// getserversResponse datagrams of at most 1400 bytes; only the last one ends in
// "\EOT\0\0\0". IPv6 entries are left out.
std::vector<std::string> MasterResponse(const std::vector<MasterEntry>& entries);
// The same as getserversExtResponse: "\" and 6 bytes an IPv4 entry, "/" and 18 an IPv6 one.
std::vector<std::string> MasterExtResponse(const std::vector<MasterEntry>& entries);

}  // namespace q3sim
