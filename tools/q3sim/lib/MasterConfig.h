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

// Wire.cpp carries it to `q3sim --control`: a new field goes there too.
struct MasterConfig {
  int delayMs = 0;
  bool silent = false;
  // The farm's servers the request asks for (see ParseServersRequest).
  bool listFarm = true;
  std::vector<MasterEntry> extraEntries;  // sent after the farm's, for any protocol
};

}  // namespace q3sim
