#include "platform/NetworkNeighbourhood.h"

#include <cstring>
#include <map>
#include <utility>

#include "platform/BsdSockets.h"
#include "platform/NeighbourTable.h"
#include "platform/UdpSocket.h"

namespace vyk {

namespace {

// Reverse name of an address, or the address itself when it has none.
std::string MachineName(const Ipv4Address& bytes) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  std::memcpy(&address.sin_addr, bytes.data(), 4);
  char host[NI_MAXHOST] = {};
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, host, sizeof host,
                  nullptr, 0, NI_NAMEREQD) != 0 ||
      host[0] == '\0') {
    std::uint32_t raw = 0;
    std::memcpy(&raw, bytes.data(), 4);
    return Ipv4Text(raw);
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
  // The reverse look-ups need the socket library.
  SystemNeighbourhood() { StartWinsockOnce(); }

  std::unique_ptr<NeighbourhoodEnumeration> Open(const NeighbourhoodEntry* container) override {
    if (container == nullptr) {
      std::vector<NeighbourhoodEntry> containers;
      for (std::string& name : Ipv4InterfaceNames())
        containers.push_back({kDisplayTypeNetwork, kUsageContainer, std::move(name)});
      return std::make_unique<ListEnumeration>(std::move(containers));
    }
    if ((container->usage & kUsageContainer) == 0) return nullptr;
    std::optional<std::vector<Ipv4Address>> neighbours = AnsweredNeighbours(container->remoteName);
    if (!neighbours) return nullptr;
    return std::make_unique<InterfaceEnumeration>(std::move(*neighbours), known_);
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
