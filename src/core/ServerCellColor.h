#pragma once
// The colours of the server list's cells, decided apart from painting them.
#include <cstdint>
#include <optional>

#include "core/ServerInfo.h"
#include "core/Settings.h"

namespace vyk {

inline constexpr Color kGoodPingColor = MakeColor(0, 180, 0);
inline constexpr Color kBadColor = MakeColor(180, 0, 0);

enum class PingGrade { kGood, kMedium, kBad };
// Good up to goodPing, bad from badPing; good wins when the two overlap.
PingGrade GradePing(std::int32_t ping, const Settings& settings);

// Whether the players cell (and the clipboard line's players) show the server full: at
// least one player and no free public slot. Hiding full servers counts private slots as
// free (FillsMaxClients).
bool FillsPublicSlots(const ServerInfo& record);

// What a row's colours depend on, copied from the record when the row is written.
struct ServerCellLook {
  bool favorite = false;
  bool buddies = false;
  bool full = false;
  std::int32_t ping = kNoPing;
};

// The text colour of a cell; nothing for the row's own colour. The name cell keeps
// its colour codes, so it is always the row's own.
std::optional<Color> ServerCellColor(const ServerCellLook& look, int column,
                                     const Settings& settings);

}  // namespace vyk
