// Linux half of the neighbourhood: the interfaces from getifaddrs, the
// neighbours from the kernel's ARP table.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/NeighbourTable.h"

namespace vyk {
namespace {

constexpr unsigned long kArpComplete = 0x2;  // ATF_COM: the neighbour answered
constexpr const char* kNeighbourTablePath = "/proc/net/arp";

}  // namespace

std::vector<std::string> Ipv4InterfaceNames() {
  std::vector<std::string> names;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return names;
  for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
    if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
    if ((it->ifa_flags & IFF_LOOPBACK) != 0 || it->ifa_name == nullptr) continue;
    // An interface with several IPv4 addresses is still one network.
    if (std::find(names.begin(), names.end(), it->ifa_name) == names.end())
      names.emplace_back(it->ifa_name);
  }
  freeifaddrs(list);
  return names;
}

std::optional<std::vector<Ipv4Address>> AnsweredNeighbours(const std::string& interfaceName) {
  std::ifstream file(kNeighbourTablePath, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  std::vector<Ipv4Address> addresses;
  for (const std::string& dotted : ParseNeighbourTable(text.str(), interfaceName)) {
    Ipv4Address bytes{};
    if (inet_pton(AF_INET, dotted.c_str(), bytes.data()) == 1) addresses.push_back(bytes);
  }
  return addresses;
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
