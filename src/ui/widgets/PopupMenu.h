#pragma once
#include <string>
#include <vector>

namespace vyk {

// One entry of a pop-up menu.
inline constexpr int kSeparator = 0;
struct MenuItemTemplate {
  int id = kSeparator;
  std::string text;
};

// The pop-up menus of the lists: kServerMenu and kPlayerMenu (see ResourceIds.h).
// Unknown ids give an empty menu.
std::vector<MenuItemTemplate> MenuResource(int id);

}  // namespace vyk
