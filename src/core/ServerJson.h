#pragma once
// JSON documents of servers for scripts. Texts keep their colour codes; game
// bytes are read as Latin-1 and written as UTF-8, so any byte is valid.
#include <string>
#include <vector>

#include "core/ServerList.h"

namespace vyk {

// {"servers": [...]} with one object per row (server indices in order):
// address, name, timedOut, ping, map, maxClients (null when the server gave
// none), needsPassword, country (two letters or ""), humans, bots (players
// answering with ping 0), players [{name, score, ping}], info {key: value}
// (the first value of a key that appears twice). Ends with a line feed.
std::string ServersJson(const ServerList& servers, const std::vector<int>& rows);

// What one master gave.
struct MasterJsonRow {
  std::string address;
  int servers = 0;
  bool answered = false;
};

// {"masters": [{"address", "servers", "answered"}...], "protocols": ["68", ...],
//  "servers": ["host:port", "[v6]:port", ...]}.
std::string MasterJson(const std::vector<MasterJsonRow>& masters,
                       const std::vector<std::string>& protocols,
                       const std::vector<std::string>& addresses);

}  // namespace vyk
