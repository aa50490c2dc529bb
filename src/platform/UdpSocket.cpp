// What both halves of the socket layer share: they speak the same BSD
// socket calls, from different headers.
#include "platform/UdpSocket.h"

#include <cstring>
#include <string_view>

#include "platform/AsciiCase.h"
#include "platform/BsdSockets.h"

namespace vyk {

std::uint16_t HostToNetwork16(std::uint16_t value) {
  return htons(value);
}
std::uint16_t NetworkToHost16(std::uint16_t value) {
  return ntohs(value);
}

std::string Ipv4Text(std::uint32_t address) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr in{};
  in.s_addr = address;
  inet_ntop(AF_INET, &in, text, sizeof text);
  return text;
}

namespace {

// Dotted notation as inet_addr reads it ("127.1" included). Windows has no
// inet_aton, and its inet_addr cannot tell "255.255.255.255" from an error.
bool ParseDotted(const char* text, std::uint32_t* address) {
#ifdef _WIN32
  const unsigned long value = inet_addr(text);
  if (value == INADDR_NONE) return false;
  *address = static_cast<std::uint32_t>(value);
  return true;
#else
  in_addr dotted{};
  if (inet_aton(text, &dotted) == 0) return false;
  *address = dotted.s_addr;
  return true;
#endif
}

// RFC 6761: ".invalid" names never resolve, and asking a name server about
// them is pointless.
bool IsReservedInvalid(const std::string& host) {
  std::string name = host;
  if (!name.empty() && name.back() == '.') name.pop_back();
  static const char kSuffix[] = ".invalid";
  const std::size_t n = sizeof kSuffix - 1;
  if (name.size() < n - 1) return false;
  const std::string_view tail = std::string_view(kSuffix).substr(name.size() == n - 1 ? 1 : 0);
  return EqualsNoCase(std::string_view(name).substr(name.size() - tail.size()), tail);
}

}  // namespace

NetEndpoint::NetEndpoint(const Ipv4Endpoint& v4) : port(v4.port) {
  std::memcpy(bytes.data(), &v4.address, 4);
}

std::uint32_t NetEndpoint::Ipv4Address() const {
  std::uint32_t address = 0;
  std::memcpy(&address, bytes.data(), 4);
  return address;
}

int SocketFamily(const NetEndpoint& endpoint) {
  return endpoint.family == IpFamily::kV6 ? AF_INET6 : AF_INET;
}

socklen_t ToSockaddr(const NetEndpoint& endpoint, sockaddr_storage* out) {
  std::memset(out, 0, sizeof *out);
  if (endpoint.family == IpFamily::kV6) {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(out);
    v6->sin6_family = AF_INET6;
    std::memcpy(&v6->sin6_addr, endpoint.bytes.data(), 16);
    v6->sin6_port = endpoint.port;
    v6->sin6_scope_id = endpoint.scopeId;
    return sizeof *v6;
  }
  auto* v4 = reinterpret_cast<sockaddr_in*>(out);
  v4->sin_family = AF_INET;
  std::memcpy(&v4->sin_addr, endpoint.bytes.data(), 4);
  v4->sin_port = endpoint.port;
  return sizeof *v4;
}

NetEndpoint FromSockaddr(const sockaddr_storage& address) {
  NetEndpoint endpoint;
  if (address.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    endpoint.family = IpFamily::kV6;
    std::memcpy(endpoint.bytes.data(), &v6->sin6_addr, 16);
    endpoint.port = v6->sin6_port;
    endpoint.scopeId = v6->sin6_scope_id;
  } else if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    std::memcpy(endpoint.bytes.data(), &v4->sin_addr, 4);
    endpoint.port = v4->sin_port;
  }
  return endpoint;
}

bool IsMappedIpv4(const std::array<std::uint8_t, 16>& bytes) {
  static constexpr std::uint8_t kPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  return std::memcmp(bytes.data(), kPrefix, sizeof kPrefix) == 0;
}

bool ParseIpv6(const std::string& text, std::array<std::uint8_t, 16>* bytes) {
  in6_addr parsed{};
  if (text.find(':') == std::string::npos || inet_pton(AF_INET6, text.c_str(), &parsed) != 1)
    return false;
  std::memcpy(bytes->data(), &parsed, 16);
  return true;
}

std::string AddressText(const NetEndpoint& endpoint) {
  if (endpoint.family == IpFamily::kV4) return Ipv4Text(endpoint.Ipv4Address());
  char text[INET6_ADDRSTRLEN] = {};
  in6_addr address{};
  std::memcpy(&address, endpoint.bytes.data(), 16);
  inet_ntop(AF_INET6, &address, text, sizeof text);
  std::string out = text;
  if (endpoint.scopeId != 0) out += '%' + std::to_string(endpoint.scopeId);
  return out;
}

namespace {

// The first IPv6 address the system gives for the text; flags as getaddrinfo
// takes them (AI_NUMERICHOST: a literal only, zone names known). The port is
// left as it is.
bool FirstIpv6(const std::string& text, int flags, NetEndpoint* out) {
  addrinfo hints{};
  hints.ai_family = AF_INET6;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_flags = flags;
  addrinfo* list = nullptr;
  if (getaddrinfo(text.c_str(), nullptr, &hints, &list) != 0) return false;
  bool ok = false;
  for (addrinfo* it = list; it != nullptr && !ok; it = it->ai_next) {
    if (it->ai_family != AF_INET6 || it->ai_addr == nullptr) continue;
    sockaddr_storage storage{};
    std::memcpy(&storage, it->ai_addr, sizeof(sockaddr_in6));
    const std::uint16_t port = out->port;
    *out = FromSockaddr(storage);
    out->port = port;
    ok = true;
  }
  freeaddrinfo(list);
  return ok;
}

// An IPv6 literal, bare or in brackets, with an optional zone.
bool ParseIpv6Literal(std::string text, NetEndpoint* out) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
    text = text.substr(1, text.size() - 2);
  // Windows would read "[::1]:27960" as ::1: brackets only around the whole.
  return text.find(':') != std::string::npos && text.find_first_of("[]") == std::string::npos &&
         FirstIpv6(text, AI_NUMERICHOST, out);
}

}  // namespace

bool ResolveHost(const std::string& host, NetEndpoint* out) {
  const char* text = host.c_str();  // C text: stops at an embedded zero byte
  if (*text == '\0') return false;
  StartWinsockOnce();
  std::uint32_t v4 = 0;
  NetEndpoint found = *out;
  if (std::strchr(text, ':') != nullptr) {
    // No name holds a colon: an IPv6 literal or nothing.
    if (!ParseIpv6Literal(text, &found)) return false;
  } else if (ResolveIpv4(text, &v4)) {
    found = NetEndpoint(Ipv4Endpoint{v4, out->port});
  } else if (IsReservedInvalid(text) || !FirstIpv6(text, 0, &found)) {
    return false;
  }
  if (found.family == IpFamily::kV6) {
    if (IsMappedIpv4(found.bytes)) {
      Ipv4Endpoint mapped{0, found.port};
      std::memcpy(&mapped.address, found.bytes.data() + 12, 4);
      if (mapped.address == INADDR_BROADCAST) return false;
      found = NetEndpoint(mapped);
    } else if (found.bytes[0] == 0xFF) {
      return false;  // multicast: never a game server
    }
  }
  *out = found;
  return true;
}

bool ResolveIpv4(const std::string& host, std::uint32_t* address) {
  const char* text = host.c_str();  // C text: stops at an embedded zero byte
  if (*text == '\0') return false;
  StartWinsockOnce();
  std::uint32_t found = INADDR_NONE;
  bool ok = false;
  if (ParseDotted(text, &found)) {
    ok = true;
  } else if (!IsReservedInvalid(text)) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(text, nullptr, &hints, &list) == 0) {
      for (addrinfo* it = list; it != nullptr; it = it->ai_next) {
        if (it->ai_family == AF_INET && it->ai_addr != nullptr) {
          found = reinterpret_cast<const sockaddr_in*>(it->ai_addr)->sin_addr.s_addr;
          ok = true;
          break;
        }
      }
      freeaddrinfo(list);
    }
  }
  // Never send to the limited broadcast address, whatever named it.
  if (!ok || found == INADDR_BROADCAST) return false;
  *address = found;
  return true;
}

int UdpSocket::WaitReadable(std::chrono::microseconds timeout) {
  if (!IsOpen()) return -1;
  const auto deadline = SteadyNow() + timeout;
  auto left = timeout;
  for (;;) {
    if (left.count() < 0) left = std::chrono::microseconds(0);
    const int ready = WaitOnce(left);
    if (ready == 1) {
      readableAt_ = ArrivalNow();
      return 1;
    }
    if (ready < 0) return -1;
    // A signal, or a wait that came back a little early: the caller asked for all of it.
    left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - SteadyNow());
    if (ready == 0 && left.count() <= 0) return 0;
  }
}

long UdpSocket::Recv(void* data, std::size_t size) {
  return RecvFrom(data, size, static_cast<NetEndpoint*>(nullptr));
}

long UdpSocket::RecvFrom(void* data, std::size_t size, Ipv4Endpoint* from) {
  NetEndpoint sender;
  const long got = RecvFrom(data, size, &sender);
  if (got >= 0 && from != nullptr) *from = {sender.Ipv4Address(), sender.port};
  return got;
}

}  // namespace vyk
