#pragma once
#include <string>
#include <vector>

namespace vyk {

// One entry of a pop-up menu; id 0 is a separator.
struct MenuItemTemplate {
  int id = 0;
  std::string text;
};

// The pop-up menus of the lists: 143 (server list, "SERVER") and 154 (player list,
// "PLAYER"). Unknown ids give an empty menu.
std::vector<MenuItemTemplate> MenuResource(int id);

}  // namespace vyk
