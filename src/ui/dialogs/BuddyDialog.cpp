#include "ui/dialogs/BuddyDialog.h"

#include <QLineEdit>

#include "core/ColourCodes.h"
#include "ui/dialogs/DialogPrompts.h"
#include "ui/widgets/ResourceIds.h"
#include "ui/widgets/SkinnedListCtrl.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

BuddyDialog::BuddyDialog(const Settings& settings, BuddyList& buddies, QWidget* parent,
                         DialogPrompts* prompts)
    : CommandDialog(settings, parent),
      buddies_(buddies),
      prompts_(prompts ? *prompts : CurrentPrompts()) {
  BuildFromTemplate(kBuddyTemplate);
  name_ = ControlAs<QLineEdit>(kName);
  list_ = ControlAs<SkinnedListCtrl>(kList);
  list_->SetSelectionStyle(SkinnedListCtrl::kColouredSelection);
  list_->InsertColumn(0, "Name", 135);
  list_->update();
  FillList();
}

void BuddyDialog::FillList() {
  list_->BeginRowBatch();
  list_->DeleteAllRows();
  for (int i = 0; i < buddies_.Count(); ++i)
    list_->InsertRow(i, StripColourCodes(buddies_[i].name), i);
  list_->EndRowBatch();
}

void BuddyDialog::AddName() {
  PlayerInfo entry;
  entry.name = StripColourCodes(ToGameText(name_->text()));
  if (entry.name.empty()) {
    prompts_.Tell(this, kEmptyNameMessage);
    return;
  }
  buddies_.Add(entry);  // the same name twice is two entries
  name_->clear();
  FillList();
  changed_ = true;
}

void BuddyDialog::RemoveSelected() {
  NameList doomed;
  for (int row : list_->SelectedRows()) doomed.Add(buddies_[static_cast<int>(list_->RowData(row))]);
  if (doomed.Count() == 0) return;
  for (int d = 0; d < doomed.Count(); ++d) {
    // NameList has no removal of its own: keep everything but the first equal entry.
    BuddyList kept;
    bool removed = false;
    for (int i = 0; i < buddies_.Count(); ++i) {
      if (!removed && buddies_[i].name == doomed[d].name) {
        removed = true;
        continue;
      }
      kept.Add(buddies_[i]);
    }
    buddies_ = kept;
  }
  FillList();
  changed_ = true;
}

void BuddyDialog::SaveBuddies() {
  buddies_.Save(GetSettings().buddyListPath);
  changed_ = false;
}

BuddyDialog::CommandTable BuddyDialog::Commands() {
  static constexpr Command kCommands[] = {
      {kAdd, &BuddyDialog::AddName},         {kRemove, &BuddyDialog::RemoveSelected},
      {kSave, &BuddyDialog::SaveBuddies},    {kOk, &BuddyDialog::SaveAndClose},
      {kCancel, &BuddyDialog::DropAndClose},
  };
  return kCommands;
}

void BuddyDialog::SaveAndClose() {
  if (changed_) SaveBuddies();
  EndDialog(kOk);
}

void BuddyDialog::DropAndClose() {
  buddies_.Load(GetSettings().buddyListPath);
  EndDialog(kCancel);
}

}  // namespace vyk
