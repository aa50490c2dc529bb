#include "core/ServerInfo.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "core/HostPort.h"
#include "core/ServerCache.h"
#include "core/Text.h"
#include "platform/UdpSocket.h"

namespace vyk {
namespace {

bool IsSpace(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

ServerInfo::ServerInfo() : name(GetCachedName(Address())) {}

ServerInfo::ServerInfo(std::string hostText, std::uint16_t portNumber, std::string passwordText)
    : host(std::move(hostText)), port(portNumber), password(std::move(passwordText)) {
  name = GetCachedName(Address());
}

ServerInfo::ServerInfo(std::string hostText, std::uint16_t portNumber, const CachedNames& names)
    : host(std::move(hostText)), port(portNumber) {
  name = names.Get(Address());
}

ServerInfo::ServerInfo(const ServerInfo& other)
    : info(other.info),
      players(other.players),
      host(other.host),
      ping(other.ping),
      port(other.port),
      buddyCount(other.buddyCount),
      password(other.password),
      queried(other.queried),
      pingUncertain(other.pingUncertain),
      attempts(other.attempts) {
  // The name belongs to the address, not to the record it came from.
  name = GetCachedName(Address());
}

ServerInfo& ServerInfo::operator=(const ServerInfo& other) {
  if (this == &other) return *this;
  host = other.host;
  port = other.port;
  buddyCount = other.buddyCount;
  ping = other.ping;
  players = other.players;
  info = other.info;
  password = other.password;
  queried = other.queried;
  pingUncertain = other.pingUncertain;
  attempts = other.attempts;
  name = GetCachedName(Address());
  return *this;
}

std::string ServerInfo::Address() const {
  return JoinHostPort(host, port);
}

namespace {

// The digits at the start of the text (blanks before them skipped), as a
// port: 16 bits kept, and 0 (no digits, or a multiple of 65536) reads as
// the default port.
std::uint16_t LeadingPort(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  std::uint32_t number = 0;  // only the low 16 bits are kept, so wrapping is harmless
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    number = number * 10 + static_cast<std::uint32_t>(text[i] - '0');
  const auto port = static_cast<std::uint16_t>(number & 0xFFFF);
  return port == 0 ? kDefaultPort : port;
}

// "[v6 address]" or "[v6 address]:port". The address is kept in its
// shortest form, so one server typed two ways is one server; IPv4 written
// as IPv6 becomes the dotted address.
bool SetBracketedAddress(const std::string& trimmed, std::string& host, std::uint16_t& port) {
  if (trimmed.empty() || trimmed.front() != '[') return false;
  const std::size_t close = trimmed.find(']');
  if (close == std::string::npos) return false;
  std::string inside = Trim(trimmed.substr(1, close - 1));
  if (inside.find(':') == std::string::npos) return false;
  NetEndpoint parsed;
  parsed.family = IpFamily::kV6;
  if (ParseIpv6(inside, &parsed.bytes)) {
    if (IsMappedIpv4(parsed.bytes)) {
      std::uint32_t v4 = 0;
      std::copy_n(parsed.bytes.begin() + 12, 4, reinterpret_cast<std::uint8_t*>(&v4));
      inside = Ipv4Text(v4);
    } else {
      inside = AddressText(parsed);
    }
  }
  host = inside;
  const std::string_view rest = std::string_view(trimmed).substr(close + 1);
  port = !rest.empty() && rest.front() == ':' ? LeadingPort(rest.substr(1)) : kDefaultPort;
  return true;
}

}  // namespace

bool ServerInfo::SetAddress(const std::string& text) {
  const std::string trimmed = Trim(text);
  if (SetBracketedAddress(trimmed, host, port)) return true;
  const std::size_t colon = trimmed.find(':');
  if (colon == std::string::npos) {
    host = trimmed;
    port = kDefaultPort;
    return true;
  }
  host = trimmed.substr(0, colon);
  const std::string hostColon = host + ":";
  std::string rest;
  rest.reserve(trimmed.size());
  for (std::size_t i = 0; i < trimmed.size();) {
    if (trimmed.compare(i, hostColon.size(), hostColon) == 0) {
      i += hostColon.size();
    } else {
      rest += trimmed[i++];
    }
  }
  // Port 0 cannot be a server: 65536 falls back like a missing port.
  port = LeadingPort(rest);
  return true;
}

std::string ServerInfo::InfoValue(const std::string& key) const {
  for (const InfoPair& pair : info)
    if (pair.key == key) return pair.value;
  return {};
}

std::string ServerInfo::KeyAt(int index) const {
  if (index < 0 || index >= static_cast<int>(info.size())) return {};
  return info[static_cast<std::size_t>(index)].key;
}

std::string ServerInfo::ValueAt(int index) const {
  if (index < 0 || index >= static_cast<int>(info.size())) return {};
  return info[static_cast<std::size_t>(index)].value;
}

bool ServerInfo::Matches(const ServerInfo& other) const {
  return host == other.host && port == other.port && name == other.name;
}

}  // namespace vyk
