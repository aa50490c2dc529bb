#include "ui/dialogs/PasswordDialog.h"

#include <QLineEdit>

#include "core/ServerInfo.h"
#include "launch/ServerPassword.h"
#include "ui/widgets/ResourceIds.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

PasswordDialog::PasswordDialog(const Settings& settings, const ServerInfo& server, QWidget* parent)
    : CommandDialog(settings, parent), server_(server) {
  BuildFromTemplate(kPasswordTemplate);
  if (auto* edit = ControlAs<QLineEdit>(kPasswordEdit)) {
    edit->setText(FromGameText(RememberedPassword(server_.Address())));
    edit->selectAll();
    edit->setFocus();
  }
}

PasswordDialog::CommandTable PasswordDialog::Commands() {
  static constexpr Command kCommands[] = {{kOk, &PasswordDialog::RememberAndClose}};
  return kCommands;
}

void PasswordDialog::RememberAndClose() {
  if (auto* edit = ControlAs<QLineEdit>(kPasswordEdit)) password_ = ToGameText(edit->text());
  RememberPassword(server_.Address(), password_);
  SkinnedDialog::OnCommand(kOk);
}

}  // namespace vyk
