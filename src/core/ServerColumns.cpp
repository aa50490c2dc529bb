#include "core/ServerColumns.h"

#include "core/PlayerKinds.h"
#include "core/ServerCache.h"
#include "platform/CountryLookup.h"

namespace vyk {

const char* ServerColumnTitle(int column) {
  static const char* const kTitles[kServerColumnCount] = {
      "Server", "Buddy", "Player", "Map", "Ping", "IP", "<#>", "Fav", "Country"};
  return column >= 0 && column < kServerColumnCount ? kTitles[column] : "";
}

std::string ServerCellText(const ServerInfo& record, int column) {
  switch (column) {
    case kServerNameColumn:
      return record.name;
    case kBuddiesColumn:
      return record.buddyCount > 0 ? std::to_string(record.buddyCount) : std::string();
    case kPlayersColumn: {
      const std::string max = record.InfoValue("sv_maxclients");
      if (max.empty()) return "-/-";
      const int bots = BotCount(record);
      if (bots == 0) return std::to_string(record.PlayerCount()) + "/" + max;
      return std::to_string(record.PlayerCount() - bots) + "+" + std::to_string(bots) + "/" + max;
    }
    case kMapColumn:
      return record.InfoValue("mapname");
    case kPingColumn:
      return record.queried && !record.IsTimedOut() ? std::to_string(record.ping) : std::string();
    case kAddressColumn:
      return record.Address();
    case kConnectCountColumn: {
      const std::int32_t count = GetConnectCount(record.Address());
      return count > 0 ? std::to_string(count) : std::string();
    }
    case kFavoriteColumn:
      return IsFavorite(record.Address()) ? std::string(" *") : std::string();
    case kCountryColumn:
      return CountryCode(record.host);
    default:
      return {};
  }
}

}  // namespace vyk
