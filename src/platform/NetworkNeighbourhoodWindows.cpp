// Windows half of the neighbourhood: the interfaces from GetAdaptersAddresses,
// the neighbours from GetIpNetTable2.
// winsock2.h must come before the IP helper's headers.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "platform/NeighbourTable.h"
#include "platform/WindowsText.h"

namespace vyk {
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

}  // namespace

std::vector<std::string> Ipv4InterfaceNames() {
  std::vector<std::string> names;
  for (Interface& it : Ipv4Interfaces()) names.push_back(std::move(it.name));
  return names;
}

std::optional<std::vector<Ipv4Address>> AnsweredNeighbours(const std::string& interfaceName) {
  const std::vector<Interface> interfaces = Ipv4Interfaces();
  auto it = std::find_if(interfaces.begin(), interfaces.end(),
                         [&](const Interface& i) { return i.name == interfaceName; });
  if (it == interfaces.end()) return std::nullopt;
  return Neighbours(it->index);
}

}  // namespace vyk
