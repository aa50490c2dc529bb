#pragma once
// Builds the server list from the machines of the local network: every
// machine whose name resolves to an IPv4 address is taken as a game server on
// the default port, and its network name is kept in the server cache.
#include "platform/NetworkNeighbourhood.h"

namespace vyk {

class ServerList;

// Walks the whole network; with `clear` the list is emptied first.
void ScanNetwork(ServerList& list, bool clear, NetworkNeighbourhood& neighbourhood);
// The same over this machine's own neighbourhood.
void ScanNetwork(ServerList& list, bool clear);

// Adds the machines below `container` (the whole network when null), depth
// first; false when its enumeration could not be opened.
bool ScanContainer(ServerList& list, NetworkNeighbourhood& neighbourhood,
                   const NeighbourhoodEntry* container);

}  // namespace vyk
