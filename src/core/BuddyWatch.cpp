#include "core/BuddyWatch.h"

#include "core/ColourCodes.h"
#include "core/Text.h"

namespace vyk {

std::vector<BuddySighting> BuddyWatch::Update(const ServerList& servers) {
  Presence now;
  std::vector<BuddySighting> sightings;
  std::set<std::string> silent;
  for (int i = 0; i < servers.Count(); ++i) {
    const ServerInfo& record = servers.At(i);
    const std::string address = record.Address();
    if (record.IsTimedOut()) {
      silent.insert(address);
      continue;
    }
    for (int p = 0; p < record.PlayerCount(); ++p) {
      const PlayerInfo& player = record.players[p];
      if (!player.isBuddy) continue;
      auto key = std::make_pair(address, Lower(StripColourCodes(player.name)));
      if (!now.insert(key).second) continue;  // the same name twice on one server
      if (!first_ && !present_.count(key)) sightings.push_back({address, record.name, player.name});
    }
  }
  for (const auto& key : present_)
    if (silent.count(key.first)) now.insert(key);
  present_ = std::move(now);
  first_ = false;
  return sightings;
}

}  // namespace vyk
