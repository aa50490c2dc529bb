#include "core/ServerCellColor.h"

#include "core/ServerColumns.h"
#include "core/Text.h"

namespace vyk {

PingGrade GradePing(std::int32_t ping, const Settings& settings) {
  if (ping <= settings.goodPing) return PingGrade::kGood;
  return ping >= settings.badPing ? PingGrade::kBad : PingGrade::kMedium;
}

bool FillsPublicSlots(const ServerInfo& record) {
  const int players = record.PlayerCount();
  // In 64 bits: the values are whatever the server sent, and neither may be cut to
  // 32 bits before the subtraction.
  const std::int64_t open = ParseLeadingWide(record.InfoValue("sv_maxclients")) -
                            ParseLeadingWide(record.InfoValue("sv_privateClients"));
  return players >= 1 && players >= open;
}

std::optional<Color> ServerCellColor(const ServerCellLook& look, int column,
                                     const Settings& settings) {
  if (column == kServerNameColumn) return std::nullopt;
  if (column == kPingColumn) {
    // The ping rule alone: a medium ping takes neither the buddy nor the favourite colour.
    const PingGrade grade = GradePing(look.ping, settings);
    if (grade == PingGrade::kMedium) return std::nullopt;
    return grade == PingGrade::kGood ? kGoodPingColor : kBadColor;
  }
  if (column == kPlayersColumn && look.full) return kBadColor;
  if (look.buddies) return settings.buddyColor;
  if (look.favorite) return settings.favoriteColor;
  return std::nullopt;
}

}  // namespace vyk
