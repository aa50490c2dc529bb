#include "ui/dialogs/DirectRunDialog.h"

#include <QLineEdit>

#include "config/Clipboard.h"
#include "config/ListFile.h"
#include "config/ServerListFile.h"
#include "config/SummaryLine.h"
#include "core/ServerCache.h"
#include "core/ServerInfo.h"
#include "core/ServerList.h"
#include "core/Text.h"
#include "launch/ConnectSequence.h"
#include "launch/GameStarter.h"
#include "ui/SystemClipboard.h"
#include "ui/dialogs/BlockingWork.h"
#include "ui/dialogs/DialogPrompts.h"
#include "ui/widgets/ResourceIds.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

namespace {

// What the user typed, as a record: host before the first ":", port after it.
ServerInfo TypedServer(const std::string& text) {
  ServerInfo record(kDefaultHost, kDefaultPort, "");
  record.SetAddress(text);
  return record;
}

}  // namespace

DirectRunDialog::DirectRunDialog(const Settings& settings, ServerList& servers,
                                 const std::string& alias, QWidget* parent, GameStarter* starter,
                                 Clipboard* clipboard)
    : CommandDialog(settings, parent),
      servers_(servers),
      alias_(alias),
      starter_(starter),
      clipboard_(clipboard) {
  BuildFromTemplate(kDirectRunTemplate);
  address_ = ControlAs<QLineEdit>(kAddress);
  password_ = ControlAs<QLineEdit>(kPassword);
  parameters_ = ControlAs<QLineEdit>(kParameters);
  info_ = ControlAs<QLineEdit>(kInfo);

  const std::string last = Trim(ReadCacheValue(kSection, "LastSERVER", kDefaultServer));
  if (last.find(':') != std::string::npos) address_->setText(FromGameText(last));
  // The parameters start from the setting; "LastParam" is a record only.
  parameters_->setText(FromGameText(settings.param));
  password_->setText(FromGameText(ReadCacheValue(last, "pass", "")));
}

DirectRunDialog::~DirectRunDialog() = default;

std::string DirectRunDialog::Text(QLineEdit* edit) const {
  return ToGameText(edit->text());
}

void DirectRunDialog::SaveDirectRunFields() {
  const std::string address = Text(address_);
  WriteCacheValue(kSection, "LastSERVER", address);
  WriteCacheValue(kSection, "LastParam", Text(parameters_));
  WriteCacheValue(address, "pass", Text(password_));
}

void DirectRunDialog::AddTypedServer() {
  addedAddress_ = Text(address_);
  servers_.AddUnique(TypedServer(addedAddress_));
  // A list that could not be stored shows nothing here.
  static_cast<void>(SaveServerList(servers_, GetSettings()));
}

void DirectRunDialog::GetInfo() {
  ServerInfo record = TypedServer(Text(address_));
  // Also keeps the server's name in cache.srv.
  RunKeepingPainted(this, Qt::WaitCursor, [&record] { record.Query(); });
  info_->setText(FromGameText(SummaryLine(record, GetSettings())));
}

void DirectRunDialog::Connect() {
  const Settings& settings = GetSettings();
  SaveDirectRunFields();
  ServerInfo record = TypedServer(Text(address_));
  // The answer is not looked at: no password prompt and no protocol switch here.
  ConnectOptions typed;
  typed.requery = false;
  typed.requireGame = false;
  typed.password = Text(password_);
  typed.extraParameters = " " + Text(parameters_);
  if (settings.addOnDirectRun != 0) AddTypedServer();
  GameStarter& starter = starter_ ? *starter_ : SystemGameStarter();
  CurrentPrompts().Report(parentWidget(), ConnectToCurrentServer(record, settings, alias_, *this,
                                                                 starter, kAnswerWait, typed));
  EndDialog(kOk);
}

void DirectRunDialog::RefreshCurrentRow() {}

std::string DirectRunDialog::AskServerPassword(const ServerInfo&) {
  return std::string();
}

// The main window minimises itself once the dialog has ended.
void DirectRunDialog::MinimizeMainWindow() {}

void DirectRunDialog::QueryServer(ServerInfo& server, std::chrono::milliseconds firstWait,
                                  int attempts) {
  RunKeepingPainted(this, Qt::WaitCursor,
                    [&server, firstWait, attempts] { server.Query(firstWait, attempts); });
}

DirectRunDialog::CommandTable DirectRunDialog::Commands() {
  static constexpr Command kCommands[] = {
      {kGetInfo, &DirectRunDialog::GetInfo},       {kCopyInfo, &DirectRunDialog::CopyInfo},
      {kAddToList, &DirectRunDialog::AddAndClose}, {kOk, &DirectRunDialog::Connect},
      {kCancel, &DirectRunDialog::SaveAndCancel},
  };
  return kCommands;
}

void DirectRunDialog::CopyInfo() {
  SystemClipboard system;
  CopyTextToClipboard(clipboard_ ? *clipboard_ : system, Text(info_));
}

void DirectRunDialog::AddAndClose() {
  AddTypedServer();
  EndDialog(kAddToList);
}

void DirectRunDialog::SaveAndCancel() {
  SaveDirectRunFields();
  EndDialog(kCancel);
}

}  // namespace vyk
