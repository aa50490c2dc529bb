#include "core/ServerInfo.h"

#include <cctype>

#include "core/ServerCache.h"
#include "core/Text.h"

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

ServerInfo::ServerInfo(const ServerInfo& other)
    : info(other.info),
      players(other.players),
      host(other.host),
      ping(other.ping),
      port(other.port),
      buddyCount(other.buddyCount),
      password(other.password),
      queried(other.queried) {
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
  name = GetCachedName(Address());
  return *this;
}

std::string ServerInfo::Address() const {
  return host + ":" + std::to_string(port);
}

bool ServerInfo::SetAddress(const std::string& text) {
  const std::string trimmed = Trim(text);
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
  std::size_t i = 0;
  while (i < rest.size() && IsSpace(rest[i])) ++i;
  std::uint32_t number = 0;  // only the low 16 bits are kept, so wrapping is harmless
  for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i)
    number = number * 10 + static_cast<std::uint32_t>(rest[i] - '0');
  port = static_cast<std::uint16_t>(number & 0xFFFF);
  // Port 0 cannot be a server: 65536 falls back like a missing port.
  if (port == 0) port = kDefaultPort;
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
