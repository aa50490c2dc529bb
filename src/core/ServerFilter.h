#pragma once
// Which servers the server list shows, and in which order.
#include "core/ServerInfo.h"

namespace vyk {

struct Settings;

// Sort keys: one per column of the server list, plus one that keeps the order.
enum SortKey : int {
  kSortByName = 0,
  kSortByBuddies = 1,
  kSortByPlayers = 2,
  kSortByMap = 3,
  kSortByPing = 4,
  kSortByAddress = 5,
  kSortByConnectCount = 6,
  kSortByFavorite = 7,
  kSortNone = 8,
};

// False when one of the "Filter" settings hides the server. Uses the record's
// buddyCount as it stands; recompute it first when the server has players.
bool PassesFilters(const ServerInfo& record, const Settings& settings);

// Negative when a goes first, positive when b goes first, 0 when equal for the
// key. Keys 6 and 7 read the server cache. Unknown keys compare equal.
int Compare(const ServerInfo& a, const ServerInfo& b, int key);

}  // namespace vyk
