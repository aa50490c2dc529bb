#include "core/BuddyMatch.h"

#include <cctype>
#include <string>
#include <vector>

namespace vyk {
namespace {

// Colour codes are removed one digit at a time, "^0" first, so a removal can
// join a caret and a digit into a code that a later pass removes.
std::string StripCodes(std::string text) {
  for (char digit = '0'; digit <= '9'; ++digit) {
    const char code[] = {'^', digit, '\0'};
    for (auto at = text.find(code); at != std::string::npos; at = text.find(code, at))
      text.erase(at, 2);
  }
  return text;
}

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
    names.push_back(Lower(StripCodes(players[p].name)));
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
