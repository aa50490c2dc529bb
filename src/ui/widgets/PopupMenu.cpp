#include "ui/widgets/PopupMenu.h"

#include "ui/widgets/ResourceIds.h"

namespace vyk {

std::vector<MenuItemTemplate> MenuResource(int id) {
  switch (id) {
    case kServerMenu:
      return {{kRefreshCurrentCommand, "Refresh"},
              {kConnectCommand, "Connect"},
              {kSeparator, ""},
              {kCopyCommand, "Copy"}};
    case kPlayerMenu:
      return {{kAddToBuddyCommand, "Add To buddy"}};
    default:
      return {};
  }
}

}  // namespace vyk
