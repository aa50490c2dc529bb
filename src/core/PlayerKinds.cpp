#include "core/PlayerKinds.h"

namespace vyk {

int BotCount(const ServerInfo& record) {
  int bots = 0;
  for (int i = 0; i < record.PlayerCount(); ++i) bots += IsBot(record.players[i]) ? 1 : 0;
  return bots;
}

}  // namespace vyk
