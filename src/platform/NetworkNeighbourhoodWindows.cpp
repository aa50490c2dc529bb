#include "platform/NetworkNeighbourhood.h"

// winsock2.h must come before the IP helper's headers.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "platform/UdpSocket.h"
#include "platform/WindowsText.h"

namespace vyk {

void StartWinsockOnce();  // UdpSocketWindows.cpp

namespace {

struct Interface {
  std::string name;
  NET_IFINDEX index = 0;
};

// Interfaces other than loopback that have an IPv4 address, named as the
// system's network settings show them.
std::vector<Interface> Ipv4Interfaces() {
  const ULONG flags =
      GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  std::vector<unsigned char> buffer(16 * 1024);
  ULONG size = static_cast<ULONG>(buffer.size());
  ULONG result = ERROR_BUFFER_OVERFLOW;
  // The list can grow between the two calls.
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = GetAdaptersAddresses(AF_INET, flags, nullptr,
                                  reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  std::vector<Interface> interfaces;
  if (result != NO_ERROR) return interfaces;
  for (auto* it = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); it != nullptr;
       it = it->Next) {
    if (it->IfType == IF_TYPE_SOFTWARE_LOOPBACK || it->FirstUnicastAddress == nullptr) continue;
    std::string name = it->FriendlyName != nullptr ? Narrow(it->FriendlyName) : std::string();
    if (name.empty() && it->AdapterName != nullptr) name = it->AdapterName;
    if (name.empty()) continue;
    interfaces.push_back({std::move(name), it->IfIndex});
  }
  return interfaces;
}

std::string Dotted(const Ipv4Address& bytes) {
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
         std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

// A neighbour that answered, and a machine's address rather than a group's.
bool IsMachine(const MIB_IPNET_ROW2& row, const Ipv4Address& bytes) {
  switch (row.State) {
    case NlnsProbe:
    case NlnsDelay:
    case NlnsStale:
    case NlnsReachable:
      break;
    default:
      return false;
  }
  if (row.IsUnreachable) return false;
  if (bytes[0] == 0 || bytes[0] >= 224) return false;  // multicast, limited broadcast
  // A subnet's broadcast address has the broadcast hardware address.
  const ULONG length = std::min<ULONG>(row.PhysicalAddressLength, IF_MAX_PHYS_ADDRESS_LENGTH);
  return !(length > 0 && std::all_of(row.PhysicalAddress, row.PhysicalAddress + length,
                                     [](UCHAR b) { return b == 0xFF; }));
}

// Addresses of the answered neighbours on one interface, without repeats.
std::vector<Ipv4Address> Neighbours(NET_IFINDEX index) {
  std::vector<Ipv4Address> addresses;
  MIB_IPNET_TABLE2* table = nullptr;
  if (GetIpNetTable2(AF_INET, &table) != NO_ERROR || table == nullptr) return addresses;
  for (ULONG i = 0; i < table->NumEntries; ++i) {
    const MIB_IPNET_ROW2& row = table->Table[i];
    if (row.InterfaceIndex != index || row.Address.si_family != AF_INET) continue;
    Ipv4Address bytes{};
    std::memcpy(bytes.data(), &row.Address.Ipv4.sin_addr, 4);
    if (!IsMachine(row, bytes)) continue;
    if (std::find(addresses.begin(), addresses.end(), bytes) == addresses.end()) {
      addresses.push_back(bytes);
    }
  }
  FreeMibTable(table);
  return addresses;
}

// Reverse name of an address, or the address itself when it has none.
std::string MachineName(const Ipv4Address& bytes) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  std::memcpy(&address.sin_addr, bytes.data(), 4);
  char host[NI_MAXHOST] = {};
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, host, sizeof host,
                  nullptr, 0, NI_NAMEREQD) != 0 ||
      host[0] == '\0') {
    return Dotted(bytes);
  }
  return host;
}

class ListEnumeration : public NeighbourhoodEnumeration {
 public:
  explicit ListEnumeration(std::vector<NeighbourhoodEntry> entries)
      : entries_(std::move(entries)) {}

  bool Next(std::vector<NeighbourhoodEntry>& batch) override {
    batch.clear();
    if (done_) return false;
    done_ = true;
    batch = std::move(entries_);
    return !batch.empty();
  }
  bool Close() override { return true; }

 private:
  std::vector<NeighbourhoodEntry> entries_;
  bool done_ = false;
};

// Machines are named lazily, batch by batch, because naming asks the resolver.
class InterfaceEnumeration : public NeighbourhoodEnumeration {
 public:
  InterfaceEnumeration(std::vector<Ipv4Address> addresses,
                       std::map<std::string, Ipv4Address>& known)
      : addresses_(std::move(addresses)), known_(known) {}

  bool Next(std::vector<NeighbourhoodEntry>& batch) override {
    batch.clear();
    if (done_) return false;
    done_ = true;
    for (const Ipv4Address& bytes : addresses_) {
      const std::string name = MachineName(bytes);
      known_[name] = bytes;
      batch.push_back({kDisplayTypeServer, 0, "\\\\" + name});
    }
    return !batch.empty();
  }
  bool Close() override { return true; }

 private:
  std::vector<Ipv4Address> addresses_;
  std::map<std::string, Ipv4Address>& known_;
  bool done_ = false;
};

class SystemNeighbourhood : public NetworkNeighbourhood {
 public:
  // The reverse lookups need the socket library.
  SystemNeighbourhood() { StartWinsockOnce(); }

  std::unique_ptr<NeighbourhoodEnumeration> Open(const NeighbourhoodEntry* container) override {
    std::vector<Interface> interfaces = Ipv4Interfaces();
    if (container == nullptr) {
      std::vector<NeighbourhoodEntry> containers;
      for (Interface& it : interfaces) {
        containers.push_back({kDisplayTypeNetwork, kUsageContainer, std::move(it.name)});
      }
      return std::make_unique<ListEnumeration>(std::move(containers));
    }
    if ((container->usage & kUsageContainer) == 0) return nullptr;
    auto it = std::find_if(interfaces.begin(), interfaces.end(),
                           [&](const Interface& i) { return i.name == container->remoteName; });
    if (it == interfaces.end()) return nullptr;
    return std::make_unique<InterfaceEnumeration>(Neighbours(it->index), known_);
  }

  std::optional<Ipv4Address> Resolve(const std::string& hostName) override {
    // A name this neighbourhood gave out resolves to the address it came from,
    // even when the resolver knows the reverse name only.
    if (auto it = known_.find(hostName); it != known_.end()) return it->second;
    std::uint32_t address = 0;
    if (!ResolveIpv4(hostName, &address)) return std::nullopt;
    Ipv4Address bytes{};
    std::memcpy(bytes.data(), &address, 4);
    return bytes;
  }

 private:
  std::map<std::string, Ipv4Address> known_;
};

}  // namespace

std::unique_ptr<NetworkNeighbourhood> MakeSystemNeighbourhood() {
  return std::make_unique<SystemNeighbourhood>();
}

}  // namespace vyk
