#include "ui/dialogs/AliasDialog.h"

#include <QLineEdit>

#include "config/AliasList.h"
#include "ui/widgets/ColourComboBox.h"
#include "ui/widgets/ColourStatic.h"
#include "ui/widgets/ResourceIds.h"

namespace vyk {

AliasDialog::AliasDialog(const Settings& settings, AliasList& aliases, QWidget* parent)
    : CommandDialog(settings, parent), aliases_(aliases) {
  BuildFromTemplate(kAliasTemplate);
  combo_ = ControlAs<ColourComboBox>(kCombo);
  preview_ = ControlAs<ColourStatic>(kPreview);
  preview_->Clear();
  // Every way the combo's text can change shows in the preview.
  connect(combo_, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
  connect(combo_, &QComboBox::editTextChanged, this, [this] { UpdatePreview(); });
  connect(combo_, &QComboBox::activated, this, [this] { UpdatePreview(); });
  FillCombo();
}

std::string AliasDialog::CurrentText() const {
  // Qt keeps an item current while the user types over it; the typed text wins then.
  const int i = combo_->currentIndex();
  if (i >= 0 && combo_->itemText(i) == combo_->lineEdit()->text()) return combo_->ItemText(i);
  return combo_->EditText();
}

void AliasDialog::FillCombo() {
  const QSignalBlocker block(combo_);
  combo_->clear();
  for (int i = 0; i < aliases_.Count(); ++i) combo_->AddString(aliases_[i].name);
  combo_->setCurrentIndex(-1);
  combo_->SetEditText(aliases_.ChosenAlias().name);
  UpdatePreview();
}

void AliasDialog::UpdatePreview() {
  preview_->SetText(CurrentText());
  preview_->repaint();
}

void AliasDialog::SaveAliases() {
  aliases_.Save(GetSettings().aliasListPath);
}

AliasDialog::CommandTable AliasDialog::Commands() {
  static constexpr Command kCommands[] = {
      {kDel, &AliasDialog::DeleteAlias},
      {kOk, &AliasDialog::ChooseAndClose},
  };
  return kCommands;
}

void AliasDialog::DeleteAlias() {
  aliases_.RemoveAlias(CurrentText());
  aliases_.ChooseAlias(-1);
  FillCombo();
  SaveAliases();
}

void AliasDialog::ChooseAndClose() {
  const std::string text = CurrentText();
  const int found = aliases_.FindAlias(text);
  if (found < 0 && !text.empty()) {
    aliases_.ChooseAlias(aliases_.AddAlias(text));
    SaveAliases();
  } else {
    // An empty text clears the choice; a known alias is chosen without rewriting
    // the alias file.
    aliases_.ChooseAlias(found);
  }
  EndDialog(kOk);
}

}  // namespace vyk
