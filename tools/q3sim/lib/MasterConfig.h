// How the farm's master servers answer "getservers" and "getserversExt".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "Family.h"

namespace q3sim {

// One address of a master's reply; port in host byte order. An IPv4 entry keeps
// the short form {{a, b, c, d}, port}; Ipv6 makes the other kind.
struct MasterEntry {
  std::array<std::uint8_t, 4> address{127, 0, 0, 1};
  std::uint16_t port = 0;
  Family family = Family::kIpv4;
  std::array<std::uint8_t, 16> address6{};  // used when family is kIpv6

  static MasterEntry Ipv6(const std::array<std::uint8_t, 16>& address6, std::uint16_t port) {
    MasterEntry e;
    e.family = Family::kIpv6;
    e.address6 = address6;
    e.port = port;
    return e;
  }
  // The address of the other family does not count.
  bool operator==(const MasterEntry& other) const {
    return family == other.family && port == other.port &&
           (family == Family::kIpv6 ? address6 == other.address6 : address == other.address);
  }
};

// Wire.cpp carries it to `q3sim --control`: a new field goes there too.
struct MasterConfig {
  int delayMs = 0;
  bool silent = false;
  // The farm's servers the request asks for (see ParseServersRequest).
  bool listFarm = true;
  // Which of the farm's servers it knows, by id; none given: all of them.
  std::optional<std::vector<int>> listedServers;
  std::vector<MasterEntry> extraEntries;  // sent after the farm's, for any protocol
  // Answers "getserversExt" as dpmaster does; false: "getservers" only, like
  // the game's original master.
  bool knowsExt = true;
  // dpmaster's flood protection: per client address (port ignored) floodBurst
  // requests in a row, then one each floodDecayMs; the rest are dropped silently.
  // dpmaster's default throttle of 5 lets 4 through in a row.
  bool floodProtection = false;
  int floodBurst = 4;
  int floodDecayMs = 3000;
};

}  // namespace q3sim
