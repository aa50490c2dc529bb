#pragma once
// Buddies appearing on servers between one refresh and the next: each buddy
// and server is told once, until the buddy leaves that server.
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/ServerList.h"

namespace vyk {

struct BuddySighting {
  std::string address;     // the server's
  std::string serverName;  // its name, colour codes kept
  std::string player;      // the buddy's name, colour codes kept
};

class BuddyWatch {
 public:
  // After a refresh, with the players' isBuddy flags set (CountBuddies): the
  // buddies on a server where they were not at the previous refresh. The
  // first refresh only takes note. A server that did not answer keeps what it
  // had: nobody left it that we know of.
  std::vector<BuddySighting> Update(const ServerList& servers);

 private:
  using Presence = std::set<std::pair<std::string, std::string>>;  // address, lower-case name
  Presence present_;
  bool first_ = true;
};

}  // namespace vyk
