#include "core/BuddyMatch.h"

#include <string>
#include <vector>

#include "core/ColourCodes.h"
#include "core/Text.h"

namespace vyk {

int CountBuddies(NameList& players, const NameList& buddies) {
  const int playerCount = players.Count();
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(playerCount));
  for (int p = 0; p < playerCount; ++p) {
    players[p].isBuddy = false;
    names.push_back(Lower(StripColourCodes(players[p].name)));
  }
  int count = 0;
  for (int b = 0; b < buddies.Count(); ++b) {
    const std::string fragment = Lower(buddies[b].name);
    for (int p = 0; p < playerCount; ++p) {
      if (players[p].isBuddy) continue;
      if (names[p].find(fragment) != std::string::npos) {
        players[p].isBuddy = true;
        ++count;
      }
    }
  }
  return count;
}

}  // namespace vyk
