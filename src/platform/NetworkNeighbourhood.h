#pragma once
// The machines of the local network as a walk of containers and machines,
// the way a network neighbourhood browser presents them.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vyk {

inline constexpr int kDisplayTypeGeneric = 0;
inline constexpr int kDisplayTypeServer = 2;  // a machine
inline constexpr int kDisplayTypeNetwork = 6;
inline constexpr unsigned kUsageConnectable = 1;
inline constexpr unsigned kUsageContainer = 2;  // has children of its own

struct NeighbourhoodEntry {
  int displayType = kDisplayTypeGeneric;
  unsigned usage = 0;
  std::string remoteName;  // a machine's is usually "\\" and its name
};

// One open enumeration of a container's children.
class NeighbourhoodEnumeration {
 public:
  virtual ~NeighbourhoodEnumeration() = default;
  // Replaces `batch` with the next entries; false when there are no more or
  // the fetch failed.
  virtual bool Next(std::vector<NeighbourhoodEntry>& batch) = 0;
  // Ends the enumeration; false when that failed.
  virtual bool Close() = 0;
};

using Ipv4Address = std::array<std::uint8_t, 4>;

class NetworkNeighbourhood {
 public:
  virtual ~NetworkNeighbourhood() = default;
  // Children of `container`, or of the whole network when it is null;
  // null when the enumeration cannot be opened.
  virtual std::unique_ptr<NeighbourhoodEnumeration> Open(const NeighbourhoodEntry* container) = 0;
  // First IPv4 address of a host name; empty when it does not resolve.
  virtual std::optional<Ipv4Address> Resolve(const std::string& hostName) = 0;
};

// This machine's neighbourhood: one container per network interface with an
// IPv4 address, holding the machines of the kernel's neighbour table on that
// interface. Reading the table sends nothing; naming a machine asks the
// resolver for its reverse name.
std::unique_ptr<NetworkNeighbourhood> MakeSystemNeighbourhood();

#ifndef _WIN32
// Addresses of the complete entries of a /proc/net/arp text on one device,
// in table order.
std::vector<std::string> ParseNeighbourTable(const std::string& table, const std::string& device);
#endif

}  // namespace vyk
