#pragma once
// The columns of the server list: their titles and the text of each cell.
// The list view and the command line's table show the same texts.
#include <string>

#include "core/ServerInfo.h"

namespace vyk {

// Left to right, from 0.
enum ServerColumn : int {
  kServerNameColumn,
  kBuddiesColumn,
  kPlayersColumn,
  kMapColumn,
  kPingColumn,
  kAddressColumn,
  kConnectCountColumn,
  kFavoriteColumn,
  kCountryColumn,  // after the classic eight: two letters from the address
};
inline constexpr int kServerColumnCount = kCountryColumn + 1;

// "Server", "Buddy", "Player", "Map", "Ping", "IP", "<#>", "Fav", "Country"; "" out of range.
const char* ServerColumnTitle(int column);

// Text of one cell of the record's row; the name keeps its colour codes. The
// players cell shows bots apart ("5+3/16": humans, bots, maximum) when there are any.
// kConnectCountColumn and kFavoriteColumn read the server cache. "" for a column out of range.
std::string ServerCellText(const ServerInfo& record, int column);

}  // namespace vyk
