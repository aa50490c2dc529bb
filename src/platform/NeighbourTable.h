#pragma once
// What each system's own tables say about the local network; the walk over
// them (NetworkNeighbourhood.cpp) is the same everywhere.
#include <optional>
#include <string>
#include <vector>

#include "platform/NetworkNeighbourhood.h"

namespace vyk {

// Names of the network interfaces, other than loopback, with an IPv4
// address; each once, in the system's order.
std::vector<std::string> Ipv4InterfaceNames();

// Addresses of the neighbours on that interface that answered, in table
// order, each once; nothing when the interface is unknown or the table
// cannot be read. Reading the table sends nothing.
std::optional<std::vector<Ipv4Address>> AnsweredNeighbours(const std::string& interfaceName);

}  // namespace vyk
