#include "ui/dialogs/ProtocolDialog.h"

#include <QComboBox>

#include "launch/ProtocolChoice.h"
#include "ui/dialogs/DialogPrompts.h"
#include "ui/widgets/DialogTemplate.h"
#include "ui/widgets/ResourceIds.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

ProtocolDialog::ProtocolDialog(const Settings& settings, QWidget* parent)
    : SkinnedDialog(settings, parent) {
  DialogTemplate tmpl;
  LoadDialogTemplate(kProtocolTemplate, tmpl);
  BuildFromTemplate(tmpl);
  combo_ = ControlAs<QComboBox>(kVersion);
  // The entries come sorted; the last one is usually the active executable itself.
  for (const std::string& entry : ListProtocolEntries(settings.gamePath))
    combo_->addItem(FromGameText(entry));
  combo_->setCurrentIndex(combo_->count() - 1);
}

std::string ProtocolDialog::ChosenEntry() const {
  const int i = combo_->currentIndex();
  return ToGameText(i >= 0 ? combo_->itemText(i) : combo_->currentText());
}

void ProtocolDialog::OnCommand(int id) {
  if (id == kOk) {
    // The main window (the owner) shows a failure; the dialog closes with OK whatever it was.
    CurrentPrompts().Report(parentWidget(),
                            ApplyProtocolChoice(GetSettings().gamePath, ChosenEntry()));
    EndDialog(kOk);
    return;
  }
  SkinnedDialog::OnCommand(id);
}

}  // namespace vyk
