#pragma once
#include <chrono>
#include <memory>
#include <string>

#include "config/AliasList.h"
#include "config/Clipboard.h"
#include "core/AnswerWait.h"
#include "core/ServerBrowser.h"
#include "core/StatusLine.h"
#include "launch/ConnectHost.h"
#include "launch/FreeSlotWait.h"
#include "ui/widgets/CommandDialog.h"
#include "ui/widgets/ResourceIds.h"

class QCheckBox;
class QLineEdit;
class QTimer;
class QPlainTextEdit;
class QPushButton;

namespace vyk {

class BuddyNotices;
class CResizeCtrl;
class ColourStatic;
class DesktopNotifier;
class FreeSlotWaiter;
class GameStarter;
class PlayerListView;
class ServerListView;

// The main window (kMainTemplate): server list, player list, remote console and the
// buttons. Every command runs on the user-interface thread and blocks the window until
// it ends; the status line, the title, the cursor and disabled buttons tell the user.
class MainDialog : public CommandDialog<MainDialog>,
                   public ConnectHost,
                   public StatusSink,
                   public Clipboard {
  Q_OBJECT
 public:
  // Control and command ids of the template and the pop-up menus.
  enum Id : int {
    kQuit = kCancel,
    kServerList = 1000,
    kPlayerList = 1003,
    kRefreshAll = 1004,
    kAddress = 1005,
    kPort = 1006,
    kRconPassword = 1007,
    kCommand = 1009,
    kRun = 1011,
    kOutput = 1013,
    kConnect = kConnectCommand,
    kRconGroup = 1031,
    kAddressLabel = 1033,
    kPasswordLabel = 1034,
    kCommandLabel = 1035,
    kRefreshCurrent = kRefreshCurrentCommand,
    kDirectRun = 1054,
    kAlias = 1055,
    kBanner = 1060,
    kAliasField = 1061,
    kOnlyBuddy = 1062,
    kProtocol = 1068,
    kDemo = 1069,
    kStatus = 1071,
    kServer = 32771,
    kOption = 32772,
    kBuddy = 32773,
    kAddToBuddy = kAddToBuddyCommand,
    kCopy = kCopyCommand,
    kSearch = 1080,
    kHelp = 57664,
    kHelpIndex = 57665,
  };

  // firstWait: how long each server exchange waits for its first datagram.
  explicit MainDialog(Settings& settings, QWidget* parent = nullptr,
                      std::chrono::milliseconds firstWait = kAnswerWait);
  ~MainDialog() override;

  Settings& GetSettings() { return settings_; }
  ServerListView& ServerView() const { return *servers_; }
  PlayerListView& PlayerView() const { return *players_; }
  AliasList& Aliases() { return aliases_; }
  int CurrentServer() const { return browser_.Current(); }

  // The game is started through this (tests put a recorder here); null: the real one.
  void SetGameStarter(GameStarter* starter) { starter_ = starter; }
  // Waiting for a free slot, and the buddy notifications; tests shorten the one
  // and point the other at a bus of their own.
  FreeSlotWaiter& SlotWaiter() const { return *slotWaiter_; }
  void SetSlotWaitTiming(const FreeSlotWait::Timing& timing);
  void SetNotifier(DesktopNotifier* notifier);
  // Restarts the automatic refresh from the settings (AutoRefresh minutes, 0: none).
  void ApplyAutoRefresh();

  void SelectServer(int index);
  void UpdateTitle();
  void ShowAlias();
  // The title UpdateTitle sets for an alias (colour codes are removed).
  static std::string TitleFor(const std::string& alias);
  // The output edit's text for 8-bit text that breaks lines with "\r\r\n".
  static QString OutputText(const std::string& text);
  // Where the manual is found: beside the program, in its share folder, or in the source
  // tree it was built from. Empty when there is none.
  static QString ManualPath();

  // What each button and menu id runs; kOk (Enter) and kQuit (the button, Escape) close.
  static CommandTable Commands();

  // ConnectHost.
  void RefreshCurrentRow() override;
  std::string AskServerPassword(const ServerInfo& server) override;
  void MinimizeMainWindow() override;
  // StatusSink.
  std::string StatusText() override;
  void SetStatusText(const std::string& text) override;
  // Clipboard: 8-bit text as Latin-1.
  bool SetText(const std::string& text) override;

 protected:
  // The buttons whose dialogs live elsewhere; each opens its dialog when wired.
  virtual void OnServerButton();
  virtual void OnOptionButton();
  virtual void OnBuddyButton();
  virtual void OnAliasButton();
  virtual void OnDirectRunButton();
  virtual void OnProtocolButton();
  virtual void OnDemoButton();

  // Commands of the table.
  void RefreshAllServers();
  void RefreshCurrentServer();
  void ConnectToCurrent();
  void RunRemoteConsole();
  void CopyCurrent();
  void ToggleOnlyBuddy();
  void AddSelectedPlayersToBuddies();
  void OpenHelp();
  void EnableServerActions(bool on);
  // Step 7 of the initialisation: servers loaded and shown again.
  void ReloadServers();

  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Initialise();
  void SetUpLayout();
  void SetUpFinding();
  void OnServerRowClicked(int row, int column);
  // A full server offers the wait; false when the user chose not to connect now.
  bool ConnectNowOrWait(const ServerInfo& server);
  void OnSlotFree(const ServerInfo& server);
  // The connect sequence on the current server, without the question of a full one.
  void ConnectCurrent();
  void OnAutoRefresh();
  void ShowServer(const QString& address);
  void SelectMatchingPlayer(int index);

  Settings& settings_;
  const std::chrono::milliseconds firstWait_;
  ServerBrowser browser_;
  ServerListView* servers_ = nullptr;
  PlayerListView* players_ = nullptr;
  QLineEdit* status_ = nullptr;
  QPlainTextEdit* output_ = nullptr;
  ColourStatic* aliasField_ = nullptr;
  ColourStatic* banner_ = nullptr;
  QCheckBox* onlyBuddy_ = nullptr;
  CResizeCtrl* resize_ = nullptr;
  AliasList aliases_;
  int currentAtPress_ = -1;
  GameStarter* starter_ = nullptr;

  // Finding a game: the search field, the wait for a free slot, the buddies'
  // notices and the automatic refresh that brings them.
  QLineEdit* search_ = nullptr;
  FreeSlotWaiter* slotWaiter_ = nullptr;
  DesktopNotifier* notifier_ = nullptr;
  BuddyNotices* notices_ = nullptr;
  QTimer* autoRefresh_ = nullptr;
};

}  // namespace vyk
