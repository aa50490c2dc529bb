#include "core/HostPort.h"

#include <algorithm>

namespace vyk {
namespace {

bool ParsePort(const std::string& digits, std::uint16_t& port) {
  if (digits.empty() || digits.size() > 5 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const long value = std::stol(digits);
  if (value < 1 || value > 65535) return false;
  port = static_cast<std::uint16_t>(value);
  return true;
}

}  // namespace

std::string JoinHostPort(const std::string& host, std::uint16_t port) {
  // No name or IPv4 address holds a colon.
  if (host.find(':') != std::string::npos) return "[" + host + "]:" + std::to_string(port);
  return host + ":" + std::to_string(port);
}

bool SplitHostPort(const std::string& text, std::uint16_t defaultPort, std::string& host,
                   std::uint16_t& port) {
  port = defaultPort;
  std::string portText;
  bool hasPort = false;
  if (!text.empty() && text.front() == '[') {
    const auto close = text.find(']');
    if (close == std::string::npos) return false;
    host = text.substr(1, close - 1);
    if (host.find(':') == std::string::npos) return false;
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') return false;
      portText = text.substr(close + 2);
      hasPort = true;
    }
  } else if (std::count(text.begin(), text.end(), ':') > 1) {
    host = text;  // an IPv6 address without brackets has no room for a port
  } else {
    const auto colon = text.find(':');
    host = text.substr(0, colon);
    if (colon != std::string::npos) {
      portText = text.substr(colon + 1);
      hasPort = true;
    }
  }
  if (host.empty() || host.find_first_of(" \t[]") != std::string::npos) return false;
  return !hasPort || ParsePort(portText, port);
}

}  // namespace vyk
