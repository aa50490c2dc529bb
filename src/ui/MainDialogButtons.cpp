// The main window's buttons that open the small dialogs, and what the main window does
// once each has closed.
#include "core/ServerCache.h"
#include "core/ServerList.h"
#include "launch/GameStarter.h"
#include "ui/MainDialog.h"
#include "ui/PlayerListView.h"
#include "ui/ServerListView.h"
#include "ui/dialogs/AliasDialog.h"
#include "ui/dialogs/BuddyDialog.h"
#include "ui/dialogs/DemoPicker.h"
#include "ui/dialogs/DirectRunDialog.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/ProtocolDialog.h"
#include "ui/dialogs/ServerListDialog.h"

namespace vyk {

void MainDialog::OnServerButton() {
  ServerListDialog editor(settings_, browser_.Servers(), this, nullptr, firstWait_);
  if (editor.exec() == kOk) ReloadServers();
}

void MainDialog::OnOptionButton() {
  OptionsDialog options(settings_, this);
  if (options.exec() != kOk) return;
  // The settings were reloaded by the dialog: take the new colours everywhere.
  ApplyColours();
  servers_->ApplyColours();
  players_->ApplyColours();
  update();
  ApplyAutoRefresh();
  ReloadServers();
}

void MainDialog::OnBuddyButton() {
  BuddyDialog dialog(settings_, browser_.Buddies(), this);
  dialog.exec();
}

void MainDialog::OnAliasButton() {
  AliasDialog dialog(settings_, aliases_, this);
  dialog.exec();
  UpdateTitle();
  ShowAlias();
}

void MainDialog::OnDirectRunButton() {
  if (browser_.Current() != -1)
    WriteCacheValue(DirectRunDialog::kSection, "LastSERVER", browser_.CurrentRecord().Address());
  DirectRunDialog dialog(settings_, browser_.Servers(), aliases_.ChosenAlias().name, this,
                         starter_, this);
  const int result = dialog.exec();
  if (result != kOk && result != DirectRunDialog::kAddToList) return;
  servers_->RebuildRows(true);
  servers_->SelectByAddress(dialog.AddedAddress());
  if (result == kOk && settings_.minimize != 0) MinimizeMainWindow();
}

void MainDialog::OnProtocolButton() {
  ProtocolDialog dialog(settings_, this);
  dialog.exec();
}

void MainDialog::OnDemoButton() {
  PickAndPlayDemo(this, settings_, starter_ ? *starter_ : SystemGameStarter());
}

}  // namespace vyk
