// How the farm's master server answers "getservers".
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace q3sim {

// One address of a getserversResponse; port in host byte order.
struct MasterEntry {
  std::array<std::uint8_t, 4> address{127, 0, 0, 1};
  std::uint16_t port = 0;
  bool operator==(const MasterEntry&) const = default;
};

struct MasterConfig {
  int delayMs = 0;
  bool silent = false;
  bool listFarm = true;  // the farm's servers whose "protocol" value matches the request
  // dpmaster leaves out empty and full servers unless the request says "empty" / "full";
  // off by default so every server of the protocol is listed.
  bool honourKeywords = false;
  std::vector<MasterEntry> extraEntries;  // sent after the farm's, for any protocol
};

}  // namespace q3sim
