#include "discovery/NetworkScan.h"

#include <optional>
#include <string>
#include <vector>

#include "core/ServerCache.h"
#include "core/ServerList.h"
#include "core/StatusLine.h"
#include "platform/UdpSocket.h"

namespace vyk {
namespace {

// Deeper than any real network; stops a neighbourhood that lists a container
// inside itself from recursing forever.
constexpr int kMaxDepth = 16;

std::string DottedText(const Ipv4Address& address) {
  return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
         std::to_string(address[2]) + "." + std::to_string(address[3]);
}

bool HoldsAddress(const ServerList& list, const ServerInfo& record) {
  for (int i = 0; i < list.Count(); ++i) {
    if (list.At(i).host == record.host && list.At(i).port == record.port) return true;
  }
  return false;
}

void AddMachine(ServerList& list, NetworkNeighbourhood& neighbourhood,
                const std::string& remoteName) {
  std::string hostName = remoteName;
  if (hostName.rfind("\\\\", 0) == 0) hostName.erase(0, 2);
  const std::optional<Ipv4Address> address = neighbourhood.Resolve(hostName);
  if (!address) return;
  const std::string dotted = DottedText(*address);
  ServerInfo record(dotted, kDefaultPort, "");
  record.SetAddress(dotted);
  // A machine listed under two names is still one server; the records would
  // not match by name when the cache already holds the other name.
  if (!HoldsAddress(list, record)) list.AddUnique(record);
  SetCachedName(record.Address(), hostName);
}

bool Walk(ServerList& list, NetworkNeighbourhood& neighbourhood,
          const NeighbourhoodEntry* container, int depth) {
  std::optional<ScopedStatus> status;
  if (container != nullptr) {
    status.emplace("Scanning:" + container->remoteName);
  } else {
    WSAStartup(0x0101);
  }

  std::unique_ptr<NeighbourhoodEnumeration> enumeration = neighbourhood.Open(container);
  if (!enumeration) return false;

  std::vector<NeighbourhoodEntry> batch;
  while (enumeration->Next(batch)) {
    for (const NeighbourhoodEntry& entry : batch) {
      if (entry.displayType == kDisplayTypeServer) {
        AddMachine(list, neighbourhood, entry.remoteName);
      } else if ((entry.usage & kUsageContainer) != 0 && depth < kMaxDepth) {
        Walk(list, neighbourhood, &entry, depth + 1);
      }
    }
  }
  enumeration->Close();
  return true;
}

}  // namespace

bool ScanContainer(ServerList& list, NetworkNeighbourhood& neighbourhood,
                   const NeighbourhoodEntry* container) {
  return Walk(list, neighbourhood, container, 0);
}

void ScanNetwork(ServerList& list, bool clear, NetworkNeighbourhood& neighbourhood) {
  if (clear) list.Clear();
  ScanContainer(list, neighbourhood, nullptr);
}

void ScanNetwork(ServerList& list, bool clear) {
  std::unique_ptr<NetworkNeighbourhood> neighbourhood = MakeSystemNeighbourhood();
  ScanNetwork(list, clear, *neighbourhood);
}

}  // namespace vyk
