#include "platform/NetworkNeighbourhood.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "platform/UdpSocket.h"

namespace vyk {
namespace {

constexpr unsigned long kArpComplete = 0x2;  // ATF_COM: the neighbour answered
constexpr const char* kNeighbourTablePath = "/proc/net/arp";

// Reverse name of an address, or the address itself when it has none.
std::string MachineName(const std::string& dotted) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  if (inet_pton(AF_INET, dotted.c_str(), &address.sin_addr) != 1) return dotted;
  char host[NI_MAXHOST] = {};
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, host, sizeof host,
                  nullptr, 0, NI_NAMEREQD) != 0 ||
      host[0] == '\0') {
    return dotted;
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
  InterfaceEnumeration(std::vector<std::string> addresses,
                       std::map<std::string, Ipv4Address>& known)
      : addresses_(std::move(addresses)), known_(known) {}

  bool Next(std::vector<NeighbourhoodEntry>& batch) override {
    batch.clear();
    if (done_) return false;
    done_ = true;
    for (const std::string& dotted : addresses_) {
      const std::string name = MachineName(dotted);
      Ipv4Address bytes{};
      if (inet_pton(AF_INET, dotted.c_str(), bytes.data()) == 1) known_[name] = bytes;
      batch.push_back({kDisplayTypeServer, 0, "\\\\" + name});
    }
    return !batch.empty();
  }
  bool Close() override { return true; }

 private:
  std::vector<std::string> addresses_;
  std::map<std::string, Ipv4Address>& known_;
  bool done_ = false;
};

class SystemNeighbourhood : public NetworkNeighbourhood {
 public:
  std::unique_ptr<NeighbourhoodEnumeration> Open(const NeighbourhoodEntry* container) override {
    if (container == nullptr) return OpenTop();
    if ((container->usage & kUsageContainer) == 0) return nullptr;
    std::ifstream file(kNeighbourTablePath, std::ios::binary);
    if (!file) return nullptr;
    std::ostringstream text;
    text << file.rdbuf();
    return std::make_unique<InterfaceEnumeration>(
        ParseNeighbourTable(text.str(), container->remoteName), known_);
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
  static std::unique_ptr<NeighbourhoodEnumeration> OpenTop() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return nullptr;
    std::vector<NeighbourhoodEntry> containers;
    for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
      if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
      if ((it->ifa_flags & IFF_LOOPBACK) != 0 || it->ifa_name == nullptr) continue;
      const std::string name = it->ifa_name;
      // An interface with several IPv4 addresses is still one network.
      const bool seen = std::any_of(containers.begin(), containers.end(),
                                    [&](const auto& entry) { return entry.remoteName == name; });
      if (!seen) containers.push_back({kDisplayTypeNetwork, kUsageContainer, name});
    }
    freeifaddrs(list);
    return std::make_unique<ListEnumeration>(std::move(containers));
  }

  std::map<std::string, Ipv4Address> known_;
};

}  // namespace

std::unique_ptr<NetworkNeighbourhood> MakeSystemNeighbourhood() {
  return std::make_unique<SystemNeighbourhood>();
}

std::vector<std::string> ParseNeighbourTable(const std::string& table, const std::string& device) {
  std::vector<std::string> addresses;
  std::istringstream lines(table);
  std::string line;
  std::getline(lines, line);  // column titles
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string ip, hwType, flags, hwAddress, mask, dev;
    if (!(fields >> ip >> hwType >> flags >> hwAddress >> mask >> dev)) continue;
    if (dev != device) continue;
    char* end = nullptr;
    const unsigned long flagBits = std::strtoul(flags.c_str(), &end, 16);
    if (end == flags.c_str() || (flagBits & kArpComplete) == 0) continue;
    in_addr parsed{};
    if (inet_pton(AF_INET, ip.c_str(), &parsed) != 1) continue;
    if (std::find(addresses.begin(), addresses.end(), ip) == addresses.end()) {
      addresses.push_back(ip);
    }
  }
  return addresses;
}

}  // namespace vyk
