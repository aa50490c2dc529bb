#include "ui/widgets/PopupMenu.h"

namespace vyk {

std::vector<MenuItemTemplate> MenuResource(int id) {
  switch (id) {
    case 143:
      return {{1052, "Refresh"}, {1018, "Connect"}, {0, ""}, {57634, "Copy"}};
    case 154:
      return {{32774, "Add To buddy"}};
    default:
      return {};
  }
}

}  // namespace vyk
