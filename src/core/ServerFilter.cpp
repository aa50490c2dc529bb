#include "core/ServerFilter.h"

#include "core/PlayerKinds.h"
#include "core/ServerCache.h"
#include "platform/CountryLookup.h"
#include "core/Settings.h"
#include "core/Text.h"

namespace vyk {
namespace {

int Sign(int value) {
  return (value > 0) - (value < 0);
}

// Larger first.
int Descending(long long a, long long b) {
  return (a < b) - (a > b);
}
// Smaller first.
int Ascending(long long a, long long b) {
  return (a > b) - (a < b);
}

int CompareNames(const std::string& a, const std::string& b) {
  // Proper names in byte order, then empty names, then "-" (never named).
  const bool aUnnamed = a == "-";
  const bool bUnnamed = b == "-";
  if (aUnnamed || bUnnamed) return static_cast<int>(aUnnamed) - static_cast<int>(bUnnamed);
  if (a.empty() || b.empty()) return static_cast<int>(a.empty()) - static_cast<int>(b.empty());
  return Sign(a.compare(b));
}

}  // namespace

bool PassesFilters(const ServerInfo& record, const Settings& settings) {
  if (settings.onlyBuddy && record.buddyCount <= 0) return false;
  if (settings.hideTimeOut && record.IsTimedOut()) return false;
  if (record.ping > settings.maxPing) return false;
  if (settings.hideEmpty && record.PlayerCount() == 0) return false;
  if (settings.hideFull && FillsMaxClients(record)) return false;
  if (settings.hideBotOnly && record.PlayerCount() > 0 && HumanCount(record) == 0) return false;
  return true;
}

int SortKeyOfColumn(int column) {
  if (column == kCountryColumn) return kSortByCountry;
  return column >= 0 && column < kCountryColumn ? column : -1;
}

int ColumnOfSortKey(int key) {
  if (key == kSortByCountry) return kCountryColumn;
  return key >= 0 && key < kSortNone ? key : -1;
}

bool FillsMaxClients(const ServerInfo& record) {
  const std::string maxClients = record.InfoValue("sv_maxclients");
  return !maxClients.empty() && ParseLeadingInt(maxClients) <= record.PlayerCount();
}

int Compare(const ServerInfo& a, const ServerInfo& b, int key) {
  if (key >= kSortByBuddies && key <= kSortByPing) {
    // Silent servers go last for these keys, in no order among themselves.
    const bool aSilent = a.IsTimedOut();
    const bool bSilent = b.IsTimedOut();
    if (aSilent || bSilent) return static_cast<int>(aSilent) - static_cast<int>(bSilent);
  }
  switch (key) {
    case kSortByName:
      return CompareNames(a.name, b.name);
    case kSortByBuddies:
      return Descending(a.buddyCount, b.buddyCount);
    case kSortByPlayers:
      return Descending(a.PlayerCount(), b.PlayerCount());
    case kSortByMap:
      return Sign(a.InfoValue("mapname").compare(b.InfoValue("mapname")));
    case kSortByPing:
      return Ascending(a.ping, b.ping);
    case kSortByAddress:
      return Sign(a.Address().compare(b.Address()));
    case kSortByConnectCount:
      return Descending(GetConnectCount(a.Address()), GetConnectCount(b.Address()));
    case kSortByFavorite:
      return Descending(IsFavorite(a.Address()), IsFavorite(b.Address()));
    case kSortByCountry: {
      // By code; servers without one last.
      const std::string ca = CountryCode(a.host), cb = CountryCode(b.host);
      if (ca.empty() || cb.empty()) return static_cast<int>(ca.empty()) - static_cast<int>(cb.empty());
      return Sign(ca.compare(cb));
    }
    default:
      return 0;
  }
}

}  // namespace vyk
