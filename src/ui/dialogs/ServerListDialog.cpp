#include "ui/dialogs/ServerListDialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "config/ServerListFile.h"
#include "core/Refresh.h"
#include "core/StatusLine.h"
#include "discovery/Masters.h"
#include "platform/ProgramDirectory.h"
#include "ui/BusyScope.h"
#include "ui/ServerListView.h"
#include "ui/dialogs/BlockingWork.h"
#include "ui/dialogs/DialogPrompts.h"
#include "ui/widgets/DialogTemplate.h"
#include "ui/widgets/ResourceIds.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

ServerListDialog::ServerListDialog(Settings& settings, const ServerList& mainList, QWidget* parent,
                                   DialogPrompts* prompts, std::chrono::milliseconds firstWait)
    : SkinnedDialog(settings, parent),
      settings_(settings),
      firstWait_(firstWait),
      mainList_(mainList),
      browser_(settings.lastServerSort),
      prompts_(prompts ? *prompts : CurrentPrompts()) {
  DialogTemplate t;
  LoadDialogTemplate(kServerListTemplate, t);
  BuildFromTemplate(t, [this](const ControlTemplate& c, QWidget* owner) -> QWidget* {
    if (c.id == kList) return view_ = new ServerListView(settings_, browser_, owner);
    return nullptr;
  });
  address_ = ControlAs<QLineEdit>(kAddress);
  request_ = ControlAs<QPushButton>(kRequest);
  refresh_ = ControlAs<QPushButton>(kRefresh);

  // Plain cells: the editor's list is not coloured like the main window's.
  view_->SetSelectionStyle(SkinnedListCtrl::kColouredSelection);
  view_->update();
  view_->SetUpColumns();
  // The server pop-up's commands belong to the main window.
  view_->SetPopupMenu({});
  browser_.Servers().Clear();
  view_->RebuildRows(true);
  connect(view_, &SkinnedListCtrl::keyPressed, this, [this](int key) {
    if (key == Qt::Key_Delete) OnCommand(kDeleteSelected);
  });

  setWindowTitle(FromGameText(settings_.masterServer) +
                 QStringLiteral(":%1").arg(settings_.masterServerPort));
  // With more masters than the one the caption names, the button speaks of them all.
  request_->setText(NamesMoreMasters(settings_)
                        ? QStringLiteral("Add from masters")
                        : QStringLiteral("Add ") + FromGameText(settings_.masterServer));
  address_->setText(QStringLiteral("127.0.0.1:%1").arg(kDefaultPort));
  AddCurrentList();
  changed_ = false;
}

void ServerListDialog::AddCurrentList() {
  ServerList& servers = browser_.Servers();
  for (int i = 0; i < mainList_.Count(); ++i) servers.AddUnique(mainList_.At(i));
  view_->RebuildRows(true);
  changed_ = true;
}

void ServerListDialog::Request() {
  MasterHarvest harvest;
  // Up to ten seconds for a silent master: no wait cursor, but the window stays drawn.
  RunKeepingPainted(this, Qt::ArrowCursor,
                    [this, &harvest] { harvest = AskConfiguredMasters(settings_, masterWaits_); });
  refresh_->setEnabled(false);
  AddMasterServers(harvest.entries, browser_.Servers());
  view_->RebuildRows(true);
  refresh_->setEnabled(true);
  // What each master gave, where more than the one master or protocol was asked.
  if (AsksOneMasterOnly(settings_)) return;
  const std::string summary = HarvestSummary(harvest);
  SetStatus(summary);
  request_->setToolTip(FromGameText(summary));
}

void ServerListDialog::Refresh() {
  BusyScope busy(this);
  refresh_->setEnabled(false);
  view_->DeleteAllRows();
  view_->repaint();
  const QString caption = windowTitle();
  setWindowTitle(QStringLiteral("Refresh ... please wait"));
  RefreshAll(browser_.Servers(), settings_, *view_, true, firstWait_);
  setWindowTitle(caption);
  refresh_->setEnabled(true);
}

void ServerListDialog::Add() {
  ServerInfo record(kDefaultHost, kDefaultPort, "");
  record.SetAddress(ToGameText(address_->text()));
  browser_.Servers().AddUnique(record);
  view_->RebuildRows(true);
  changed_ = true;
}

void ServerListDialog::SaveAs() {
  const std::string path = prompts_.SaveFileName(this, ProgramDirectory(), kFileFilter, "vyk");
  if (path.empty()) return;
  // The user would otherwise believe the list is in that file.
  prompts_.Report(parentWidget(), SaveServerListFile(browser_.Servers(), path));
}

void ServerListDialog::Quit() {
  if (!changed_) return EndDialog(kOk);
  switch (prompts_.AskYesNoCancel(this, kSaveQuestion)) {
    case DialogPrompts::Answer::kYes:
      // The main window reloads from this file next: a list that could not be stored
      // would silently be lost, so the editor stays open to let it be saved elsewhere.
      if (!prompts_.Report(parentWidget(), SaveServerList(browser_.Servers(), settings_))) return;
      changed_ = false;
      return EndDialog(kOk);
    case DialogPrompts::Answer::kNo:
      return EndDialog(kOk);
    case DialogPrompts::Answer::kCancel:
      return EndDialog(kCancel);
  }
}

void ServerListDialog::OnCommand(int id) {
  switch (id) {
    case kAddCurrentList:
      return AddCurrentList();
    case kRequest:
      return Request();
    case kRefresh:
      return Refresh();
    case kDeleteSelected:
      view_->DeleteSelected();
      changed_ = true;  // also when nothing was selected
      return;
    case kDeleteTimeout:
      view_->RemoveTimedOut();
      changed_ = true;
      return;
    case kAdd:
      return Add();
    case kSaveAs:
      return SaveAs();
    case kOk:
    case kCancel:
      return Quit();
    default:
      SkinnedDialog::OnCommand(id);
  }
}

}  // namespace vyk
