#include "core/ServerSearch.h"

#include <algorithm>

#include "core/ColourCodes.h"
#include "core/Text.h"

namespace vyk {
namespace {

// The server's own fields come first in the haystack, the players after them.
constexpr int kServerLines = 4;

// A line break can never be typed into the needle, so no match crosses lines.
std::string Normalised(const std::string& text) {
  std::string out = Lower(StripColourCodes(text));
  std::replace(out.begin(), out.end(), '\n', ' ');
  return out;
}

}  // namespace

std::string SearchNeedle(const std::string& typed) {
  return Normalised(typed);
}

std::string SearchHaystack(const ServerInfo& record) {
  std::string haystack = Normalised(record.name) + '\n' + Normalised(record.InfoValue("mapname")) +
                         '\n' + Normalised(record.InfoValue("gamename")) + '\n' +
                         Normalised(record.Address());
  for (int i = 0; i < record.PlayerCount(); ++i)
    haystack += '\n' + Normalised(record.players[i].name);
  return haystack;
}

SearchMatch FindInHaystack(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return {true, -1};
  const std::size_t at = haystack.find(needle);
  if (at == std::string_view::npos) return {};
  const auto line = static_cast<int>(std::count(haystack.begin(), haystack.begin() + at, '\n'));
  return {true, line < kServerLines ? -1 : line - kServerLines};
}

}  // namespace vyk
