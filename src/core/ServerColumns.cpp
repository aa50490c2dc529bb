#include "core/ServerColumns.h"

#include "core/ServerCache.h"

namespace vyk {

const char* ServerColumnTitle(int column) {
  static const char* const kTitles[kServerColumnCount] = {"Server", "Buddy", "Player", "Map",
                                                          "Ping",   "IP",    "<#>",    "Fav"};
  return column >= 0 && column < kServerColumnCount ? kTitles[column] : "";
}

std::string ServerCellText(const ServerInfo& record, int column) {
  switch (column) {
    case 0:
      return record.name;
    case 1:
      return record.buddyCount > 0 ? std::to_string(record.buddyCount) : std::string();
    case 2: {
      const std::string max = record.InfoValue("sv_maxclients");
      return max.empty() ? std::string("-/-") : std::to_string(record.PlayerCount()) + "/" + max;
    }
    case 3:
      return record.InfoValue("mapname");
    case 4:
      return record.queried && !record.IsTimedOut() ? std::to_string(record.ping) : std::string();
    case 5:
      return record.Address();
    case 6: {
      const std::int32_t count = GetConnectCount(record.Address());
      return count > 0 ? std::to_string(count) : std::string();
    }
    case 7:
      return IsFavorite(record.Address()) ? std::string(" *") : std::string();
    default:
      return {};
  }
}

}  // namespace vyk
