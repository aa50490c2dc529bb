// What both halves of the socket layer share: they speak the same BSD
// socket calls, from different headers.
#include "platform/UdpSocket.h"

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

long UdpSocket::Recv(void* data, std::size_t size) {
  return RecvFrom(data, size, nullptr);
}

}  // namespace vyk
