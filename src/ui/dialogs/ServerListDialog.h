#pragma once
#include <chrono>
#include <string>

#include "core/AnswerWait.h"
#include "core/ServerBrowser.h"
#include "discovery/MasterQuery.h"
#include "ui/widgets/CommandDialog.h"

class QLineEdit;
class QPushButton;

namespace vyk {

class DialogPrompts;
class ServerListView;

// The server list editor (kServerListTemplate). Works on a copy of the main window's
// list: servers from the master, typed addresses, refresh, deletions, "Save as", and on
// Quit the list stored as the server list file. It ends with kOk (the main window then
// reloads its list from that file) or kCancel (the main window keeps its list).
class ServerListDialog : public CommandDialog<ServerListDialog> {
  Q_OBJECT
 public:
  enum Id : int {
    kRefresh = 1004,
    kAddress = 1005,
    kList = 1019,
    kDeleteSelected = 1026,
    kDeleteTimeout = 1027,
    kAddCurrentList = 1028,
    kAdd = 1051,
    kRequest = 1053,
    kSaveAs = 57611,
  };
  static constexpr const char* kSaveQuestion = "Save Current List ?";
  static constexpr const char* kFileFilter = "Vyk Server File|*.vyk|All File|*.*|";

  // mainList: the main window's list, only read.
  // prompts: null for CurrentPrompts(). firstWait: each server exchange's
  // wait for its first datagram.
  ServerListDialog(Settings& settings, const ServerList& mainList, QWidget* parent = nullptr,
                   DialogPrompts* prompts = nullptr,
                   std::chrono::milliseconds firstWait = kAnswerWait);

  ServerListView& View() const { return *view_; }
  // How long Request waits for the masters (tests shorten it).
  void SetMasterWaits(const MasterWaits& waits) { masterWaits_ = waits; }
  // Whether the list changed since it was opened or last stored.
  bool Changed() const { return changed_; }

  // OK and Cancel (the button, Enter, Escape, the close box) are Quit.
  static CommandTable Commands();

 private:
  void AddCurrentList();
  void Request();
  void Refresh();
  // Both count as a change, also when nothing went.
  void DeleteSelected();
  void DeleteTimedOut();
  void Add();
  void SaveAs();
  void Quit();

  Settings& settings_;
  const std::chrono::milliseconds firstWait_;
  MasterWaits masterWaits_;
  const ServerList& mainList_;
  // Its own copy of the servers: the main window's stay as they are until it reloads.
  ServerBrowser browser_;
  DialogPrompts& prompts_;
  ServerListView* view_ = nullptr;
  QLineEdit* address_ = nullptr;
  QPushButton* request_ = nullptr;
  QPushButton* refresh_ = nullptr;
  bool changed_ = false;
};

}  // namespace vyk
