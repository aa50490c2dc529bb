#pragma once
// Which servers the server list shows, and in which order.
#include "core/ServerColumns.h"
#include "core/ServerInfo.h"

namespace vyk {

struct Settings;

// Sort keys: one per column of the server list, plus one that keeps the order
// (8, after the classic columns; the country column, added later, sorts by 9).
enum SortKey : int {
  kSortByName = kServerNameColumn,
  kSortByBuddies = kBuddiesColumn,
  kSortByPlayers = kPlayersColumn,
  kSortByMap = kMapColumn,
  kSortByPing = kPingColumn,
  kSortByAddress = kAddressColumn,
  kSortByConnectCount = kConnectCountColumn,
  kSortByFavorite = kFavoriteColumn,
  kSortNone = 8,
  kSortByCountry = 9,
};
inline constexpr int kLastSortKey = kSortByCountry;

// The key a click on the column's title sorts by, and the column a key sorts (-1: none).
int SortKeyOfColumn(int column);
int ColumnOfSortKey(int key);

// Whether Hide Full hides the server: "sv_maxclients" is set and the players reach it.
// Private slots count as free here; the players cell's colour (FillsPublicSlots) does not.
bool FillsMaxClients(const ServerInfo& record);

// False when one of the "Filter" settings hides the server (Hide bot-only
// last: a server whose players are all bots). Uses the record's
// buddyCount as it stands; recompute it first when the server has players.
bool PassesFilters(const ServerInfo& record, const Settings& settings);

// Negative when a goes first, positive when b goes first, 0 when equal for the
// key. kSortByConnectCount and kSortByFavorite read the server cache. Unknown keys compare equal.
int Compare(const ServerInfo& a, const ServerInfo& b, int key);

}  // namespace vyk
