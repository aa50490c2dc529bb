#pragma once
#include <string>

#include "ui/widgets/CommandDialog.h"

namespace vyk {

class AliasList;
class ColourComboBox;
class ColourStatic;

// "Alias" (kAliasTemplate): choose the name the user plays under, type a new one, or
// delete one. Choices and deletions are stored at once, whichever button closes it.
class AliasDialog : public CommandDialog<AliasDialog> {
  Q_OBJECT
 public:
  enum Id : int { kCombo = 1058, kPreview = 1059, kDel = 1066 };

  AliasDialog(const Settings& settings, AliasList& aliases, QWidget* parent = nullptr);

  // The selected item's text, or the edit field's text when no item is selected.
  std::string CurrentText() const;

  // kCancel is not there: nothing to undo.
  static CommandTable Commands();

 private:
  void DeleteAlias();
  // The typed or selected alias becomes the chosen one; a new one is stored.
  void ChooseAndClose();
  void FillCombo();
  void UpdatePreview();
  void SaveAliases();

  AliasList& aliases_;
  ColourComboBox* combo_ = nullptr;
  ColourStatic* preview_ = nullptr;
};

}  // namespace vyk
