#pragma once
#include <string>

#include "config/BuddyList.h"
#include "ui/widgets/CommandDialog.h"

class QLineEdit;

namespace vyk {

class DialogPrompts;
class SkinnedListCtrl;

// "Edit Buddy" (kBuddyTemplate): the name fragments that mark buddies. Edits stay in memory
// until Save or OK; Cancel and the close box read the file back.
class BuddyDialog : public CommandDialog<BuddyDialog> {
  Q_OBJECT
 public:
  enum Id : int { kName = 1006, kList = 1038, kAdd = 1039, kRemove = 1040, kSave = 1041 };
  static constexpr const char* kEmptyNameMessage =
      "You must enter a name in the edit box\n these name cannot contain color or other tag.";

  // prompts: null for CurrentPrompts().
  BuddyDialog(const Settings& settings, BuddyList& buddies, QWidget* parent = nullptr,
              DialogPrompts* prompts = nullptr);

  bool Changed() const { return changed_; }

  static CommandTable Commands();

 private:
  void FillList();
  void AddName();
  void RemoveSelected();
  void SaveBuddies();
  void SaveAndClose();
  // Whatever was not saved is dropped.
  void DropAndClose();

  BuddyList& buddies_;
  DialogPrompts& prompts_;
  bool changed_ = false;
  QLineEdit* name_ = nullptr;
  SkinnedListCtrl* list_ = nullptr;
};

}  // namespace vyk
