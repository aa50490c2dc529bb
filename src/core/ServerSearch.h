#pragma once
// The search field's rule: a server stays when the typed text occurs, letters
// compared without regard to case and colour codes stripped, in its name, map,
// mod ("gamename"), address or one of its players' names.
#include <string>
#include <string_view>

#include "core/ServerInfo.h"

namespace vyk {

// The typed text as it is looked for: colour codes stripped, lower case.
std::string SearchNeedle(const std::string& typed);

// What the search looks through for a record: its fields and then its players'
// names, each normalised as the needle is, one a line. Made once per row write,
// so a keystroke only scans.
std::string SearchHaystack(const ServerInfo& record);

struct SearchMatch {
  bool found = false;
  int player = -1;  // the player whose name alone made the server match, else -1
};

// An empty needle finds every server.
SearchMatch FindInHaystack(std::string_view haystack, std::string_view needle);

}  // namespace vyk
