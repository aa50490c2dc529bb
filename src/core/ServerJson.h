#pragma once
// JSON documents of servers for scripts. Texts keep their colour codes; game
// bytes are read as Latin-1 and written as UTF-8, so any byte is valid.
#include <string>
#include <vector>

#include "core/ServerList.h"

namespace vyk {

// {"servers": [...]} with one object per row (server indices in order):
// address, name, timedOut, ping, map, maxClients (null when the server gave
// none), needsPassword, players [{name, score, ping}], info {key: value}
// (the first value of a key that appears twice). Ends with a line feed.
std::string ServersJson(const ServerList& servers, const std::vector<int>& rows);

// {"master": "host:port", "protocol": "...", "servers": ["host:port", ...]}.
std::string MasterJson(const std::string& master, const std::string& protocol,
                       const std::vector<std::string>& addresses);

}  // namespace vyk
