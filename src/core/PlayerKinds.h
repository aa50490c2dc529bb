#pragma once
// Humans and bots among a server's players. Bots answer with ping 0 in a
// status answer's player lines; a human, even one still connecting, never does.
#include "core/NameList.h"
#include "core/ServerInfo.h"

namespace vyk {

inline bool IsBot(const PlayerInfo& player) {
  return player.ping == 0;
}
int BotCount(const ServerInfo& record);
inline int HumanCount(const ServerInfo& record) {
  return record.PlayerCount() - BotCount(record);
}

}  // namespace vyk
