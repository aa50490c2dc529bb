#include "core/BuddyMatch.h"

#include <cctype>
#include <string>
#include <vector>

#include "core/ColourText.h"

namespace vyk {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

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
