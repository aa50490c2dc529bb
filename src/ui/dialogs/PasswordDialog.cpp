#include "ui/dialogs/PasswordDialog.h"

#include <QLineEdit>

#include "core/ServerInfo.h"
#include "launch/ServerPassword.h"
#include "ui/widgets/ColourText.h"
#include "ui/widgets/DialogTemplate.h"

namespace vyk {

namespace {

constexpr const char* kTemplate = R"(dialog 148 186 46 "Need Password"
font "MS Sans Serif" 8
control 1064 edit 7 7 172 12 "" password autohscroll
control 1 button 76 26 50 14 "OK" default
control 2 button 129 26 50 14 "Cancel"
)";

}  // namespace

PasswordDialog::PasswordDialog(const Settings& settings, const ServerInfo& server, QWidget* parent)
    : SkinnedDialog(settings, parent), server_(server) {
  DialogTemplate t;
  ParseDialogTemplate(kTemplate, t, nullptr);
  BuildFromTemplate(t);
  if (auto* edit = ControlAs<QLineEdit>(kPasswordEdit)) {
    edit->setText(FromGameText(RememberedPassword(server_.Address())));
    edit->selectAll();
    edit->setFocus();
  }
}

void PasswordDialog::OnCommand(int id) {
  if (id == 1) {
    if (auto* edit = ControlAs<QLineEdit>(kPasswordEdit)) password_ = ToGameText(edit->text());
    RememberPassword(server_.Address(), password_);
  }
  SkinnedDialog::OnCommand(id);
}

}  // namespace vyk
