#pragma once
// A typed "host[:port]" read strictly, for addresses given on the command
// line or in a setting (a list file's lines are read leniently, by
// ServerInfo::SetAddress).
#include <cstdint>
#include <string>

namespace vyk {

// "host", "host:port", "[v6 address]" or "[v6 address]:port"; a bare IPv6
// address (more than one colon, no brackets) takes the default port. The host
// comes back without brackets. False for an empty host or a port that is not
// a number from 1 to 65535.
// "host:port", or "[host]:port" for an IPv6 address (a host with a colon).
std::string JoinHostPort(const std::string& host, std::uint16_t port);

bool SplitHostPort(const std::string& text, std::uint16_t defaultPort, std::string& host,
                   std::uint16_t& port);

}  // namespace vyk
