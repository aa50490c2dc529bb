#pragma once
// Ids of the program's resources: the dialog templates (res/dialogs/<id>.dlg), the
// pop-up menus, and the commands their items share with the main window's buttons.

namespace vyk {

enum DialogTemplateId : int {
  kMainTemplate = 102,
  kServerListTemplate = 130,
  kOptionsTemplate = 134,
  kBuddyTemplate = 135,
  kDirectRunTemplate = 142,
  kAliasTemplate = 144,
  kPasswordTemplate = 148,
  kProtocolTemplate = 155,
};

enum MenuId : int {
  kServerMenu = 143,  // "SERVER"
  kPlayerMenu = 154,  // "PLAYER"
};

// A menu item runs the command of the button with the same id.
enum MenuCommandId : int {
  kConnectCommand = 1018,
  kRefreshCurrentCommand = 1052,
  kAddToBuddyCommand = 32774,
  kCopyCommand = 57634,
};

}  // namespace vyk
