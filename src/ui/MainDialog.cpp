#include "ui/MainDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QKeyEvent>
#include <QTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>

#include "config/ConfigFile.h"
#include "config/SummaryLine.h"
#include "core/ColourCodes.h"
#include "core/Refresh.h"
#include "core/ServerCache.h"
#include "core/ServerColumns.h"
#include "core/ServerFilter.h"
#include "core/Text.h"
#include "launch/ConnectSequence.h"
#include "launch/GameStarter.h"
#include "launch/RemoteConsole.h"
#include "ui/AppIcon.h"
#include "core/ServerCellColor.h"
#include "core/ServerSearch.h"
#include "ui/BuddyNotices.h"
#include "ui/BusyScope.h"
#include "ui/DesktopNotifier.h"
#include "ui/FreeSlotWaiter.h"
#include "ui/PlayerListView.h"
#include "ui/ServerListView.h"
#include "ui/SystemClipboard.h"
#include "ui/dialogs/DialogPrompts.h"
#include "ui/dialogs/PasswordDialog.h"
#include "ui/widgets/CResizeCtrl.h"
#include "ui/widgets/ColourStatic.h"
#include "ui/widgets/DialogTemplate.h"
#include "ui/widgets/SplashWindow.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

namespace {

constexpr const char* kTitle = "Vyk Finder";
constexpr int kServerActions[] = {MainDialog::kCopy, MainDialog::kConnect, MainDialog::kRun,
                                  MainDialog::kRefreshCurrent};

// Two ids the resize table lists though the template has no such controls: skipped.
enum AbsentId : int { kAbsentFirst = 1022, kAbsentSecond = 1017 };

// Left, top, width and height shares of the dialog's size change, per control.
struct ResizeShare {
  int id, left, top, width, height;
};
constexpr ResizeShare kShares[] = {
    {MainDialog::kServerList, 0, 0, 100, 50},
    {MainDialog::kPlayerList, 0, 50, 50, 50},
    {kAbsentFirst, 0, 100, 0, 0},
    {kAbsentSecond, 0, 100, 0, 0},
    {MainDialog::kRconGroup, 50, 50, 50, 50},
    {MainDialog::kOutput, 50, 50, 50, 50},
    {MainDialog::kAddressLabel, 50, 50, 0, 0},
    {MainDialog::kPasswordLabel, 50, 50, 0, 0},
    {MainDialog::kCommandLabel, 50, 50, 0, 0},
    {MainDialog::kAddress, 50, 50, 50, 0},
    {MainDialog::kPort, 100, 50, 0, 0},
    {MainDialog::kBanner, 100, 100, 0, 0},
    {MainDialog::kOnlyBuddy, 0, 100, 0, 0},
    {MainDialog::kRconPassword, 50, 50, 50, 0},
    {MainDialog::kCommand, 50, 50, 50, 0},
    {MainDialog::kRun, 100, 50, 0, 0},
    {MainDialog::kHelp, 100, 0, 0, 0},
    {MainDialog::kQuit, 100, 0, 0, 0},
    {MainDialog::kRefreshAll, 0, 50, 0, 0},
    {MainDialog::kRefreshCurrent, 0, 50, 0, 0},
    {MainDialog::kConnect, 0, 50, 0, 0},
    {MainDialog::kCopy, 0, 50, 0, 0},
    {MainDialog::kSearch, 0, 50, 100, 0},
    {MainDialog::kStatus, 0, 100, 100, 0},
};

}  // namespace

MainDialog::MainDialog(Settings& settings, QWidget* parent, std::chrono::milliseconds firstWait)
    : CommandDialog(settings, parent),
      settings_(settings),
      firstWait_(firstWait),
      browser_(settings.lastServerSort) {
  // Over the window being created, while the servers, buddies and aliases load below.
  ShowSplash(this);
  BuildFromTemplate(kMainTemplate, [this](const ControlTemplate& c, QWidget* owner) -> QWidget* {
    if (c.id == kServerList) return servers_ = new ServerListView(settings_, browser_, owner);
    if (c.id == kPlayerList) return players_ = new PlayerListView(settings_, owner);
    return nullptr;
  });
  status_ = ControlAs<QLineEdit>(kStatus);
  search_ = ControlAs<QLineEdit>(kSearch);
  output_ = ControlAs<QPlainTextEdit>(kOutput);
  aliasField_ = ControlAs<ColourStatic>(kAliasField);
  banner_ = ControlAs<ColourStatic>(kBanner);
  onlyBuddy_ = ControlAs<QCheckBox>(kOnlyBuddy);
  InstallStatusSink(this);
  Initialise();
}

MainDialog::~MainDialog() {
  if (CurrentStatusSink() == this) InstallStatusSink(nullptr);
}

void MainDialog::Initialise() {
  InitSkin();
  setWindowIcon(AppIcon());
  setSizeGripEnabled(true);
  SetUpLayout();
  SetStatus("Ready");
  EnableServerActions(false);
  banner_->SetText(" " + VersionBanner(true));
  banner_->repaint();

  players_->SetUpColumns();
  servers_->SetUpColumns();
  connect(servers_, &SkinnedListCtrl::rowDoubleClicked, this, [this](int row, int) {
    const int index = servers_->IndexAt(row);
    if (index < 0) return;
    SelectServer(index);
    ConnectToCurrent();
  });
  connect(servers_, &SkinnedListCtrl::rowSelected, this, [this](int row) {
    const int index = servers_->IndexAt(row);
    if (index >= 0 && index != browser_.Current()) SelectServer(index);
  });
  connect(servers_, &SkinnedListCtrl::rowClicked, this, &MainDialog::OnServerRowClicked);
  servers_->viewport()->installEventFilter(this);
  ReloadServers();

  browser_.Buddies().Load(settings_.buddyListPath);
  aliases_.Load(settings_.aliasListPath);
  resize_->SetMinimumTrackingSize();

  if (onlyBuddy_) {
    const QSignalBlocker block(onlyBuddy_);
    onlyBuddy_->setChecked(ReadProfileInt("Display", "OnlyBuddy", 0) != 0);
  }
  UpdateTitle();
  ShowAlias();
  SetUpFinding();
}

void MainDialog::SetUpFinding() {
  search_->setPlaceholderText(QStringLiteral("Search servers and players"));
  search_->setToolTip(QStringLiteral(
      "Shows only the servers whose name, map, mod, address or a player's name holds the text "
      "(letter case and colour codes aside); Esc clears it"));
  connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
    servers_->ApplySearch(ToGameText(text));
    if (browser_.Current() != -1) SelectMatchingPlayer(browser_.Current());
  });
  SetSlotWaitTiming(FreeSlotWait::Timing{});
  SetNotifier(new DesktopNotifier(this));
  autoRefresh_ = new QTimer(this);
  connect(autoRefresh_, &QTimer::timeout, this, &MainDialog::OnAutoRefresh);
  ApplyAutoRefresh();
}

void MainDialog::SetSlotWaitTiming(const FreeSlotWait::Timing& timing) {
  delete slotWaiter_;
  slotWaiter_ = new FreeSlotWaiter(this, timing, firstWait_);
  connect(slotWaiter_, &FreeSlotWaiter::slotFree, this, &MainDialog::OnSlotFree);
}

void MainDialog::SetNotifier(DesktopNotifier* notifier) {
  delete notices_;
  notifier_ = notifier;
  notices_ = new BuddyNotices(notifier, this);
  connect(notices_, &BuddyNotices::showServer, this, &MainDialog::ShowServer);
}

void MainDialog::ApplyAutoRefresh() {
  if (settings_.autoRefresh > 0)
    autoRefresh_->start(std::chrono::minutes(settings_.autoRefresh));
  else
    autoRefresh_->stop();
}

void MainDialog::OnAutoRefresh() {
  // Never over another command or dialog: again a little later.
  if (BusyScope::Active() || QApplication::activeModalWidget() != this) {
    QTimer::singleShot(std::chrono::seconds(15), this, [this] {
      if (settings_.autoRefresh > 0) OnAutoRefresh();
    });
    return;
  }
  RefreshAllServers();
}

void MainDialog::ShowServer(const QString& address) {
  const std::string wanted = ToGameText(address);
  for (int i = 0; i < browser_.Servers().Count(); ++i) {
    if (browser_.Servers().At(i).Address() != wanted) continue;
    showNormal();
    raise();
    activateWindow();
    servers_->SelectByAddress(wanted);
    SelectServer(i);
    return;
  }
}

void MainDialog::SelectMatchingPlayer(int index) {
  const SearchMatch match = browser_.Rows().MatchOf(index, browser_.Servers().At(index));
  if (match.player >= 0) players_->SelectPlayer(match.player);
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    // The search first, then a wait for a slot; only then the window's own Escape.
    if (search_->hasFocus() && !search_->text().isEmpty()) {
      search_->clear();
      return;
    }
    if (slotWaiter_->Waiting()) {
      slotWaiter_->Stop(FreeSlotWaiter::kStoppedText);
      return;
    }
  }
  CommandDialog::keyPressEvent(event);
}

void MainDialog::SetUpLayout() {
  resize_ = new CResizeCtrl(this);
  resize_->Create(this, true, 100);
  for (const ResizeShare& s : kShares) {
    if (Control(s.id)) resize_->AddControl(s.id, s.left, s.top, s.width, s.height);
  }
}

void MainDialog::ReloadServers() {
  // The indices change with the list: keeping the old one would act on another server.
  if (browser_.Current() != -1) SelectServer(-1);
  servers_->ReloadServers();
}

void MainDialog::closeEvent(QCloseEvent* event) {
  if (BusyScope::Active()) {
    event->ignore();
    return;
  }
  SkinnedDialog::closeEvent(event);
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
  // Which server was current before the press changed the selection decides whether a
  // click re-queries it.
  if (watched == servers_->viewport() && event->type() == QEvent::MouseButtonPress)
    currentAtPress_ = browser_.Current();
  return SkinnedDialog::eventFilter(watched, event);
}

void MainDialog::EnableServerActions(bool on) {
  for (int id : kServerActions)
    if (QWidget* w = Control(id)) w->setEnabled(on);
}

std::string MainDialog::TitleFor(const std::string& alias) {
  std::string title = kTitle;
  const std::string stripped = StripColourCodes(alias);
  if (!stripped.empty()) title += " - " + stripped + " - ";
  return title;
}

void MainDialog::UpdateTitle() {
  setWindowTitle(FromGameText(TitleFor(aliases_.ChosenAlias().name)));
}

void MainDialog::ShowAlias() {
  aliasField_->SetText(" " + aliases_.ChosenAlias().name);
  aliasField_->repaint();
}

QString MainDialog::OutputText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, "\r\r\n") == 0) {
      out += '\n';
      i += 2;
    } else if (text[i] != '\r') {
      out += text[i];
    }
  }
  return FromGameText(out);
}

void MainDialog::SelectServer(int index) {
  browser_.SetCurrent(index);
  ServerInfo placeholder;
  const ServerInfo* shown = &placeholder;
  if (index == -1) {
    EnableServerActions(false);
  } else {
    EnableServerActions(true);
    shown = &browser_.Servers().At(index);
  }
  ScopedStatus status("Setting current server :" + shown->Address());
  if (auto* address = ControlAs<QLineEdit>(kAddress)) address->setText(FromGameText(shown->host));
  if (auto* port = ControlAs<QLineEdit>(kPort)) port->setText(QString::number(shown->port));
  std::string dump;
  for (const InfoPair& pair : shown->info) dump += pair.key + "=" + pair.value + "\r\r\n";
  output_->clear();
  output_->setPlainText(OutputText(dump));
  players_->ShowPlayers(*shown);
  if (index != -1 && !browser_.Rows().Search().empty()) SelectMatchingPlayer(index);
  std::string title = TitleFor(aliases_.ChosenAlias().name);
  const std::string hostname = shown->InfoValue("sv_hostname");
  if (!hostname.empty()) title += " [ " + hostname + " ]";
  setWindowTitle(FromGameText(title));
}

MainDialog::CommandTable MainDialog::Commands() {
  static constexpr Command kCommands[] = {
      {kRefreshAll, &MainDialog::RefreshAllServers},
      {kRefreshCurrent, &MainDialog::RefreshCurrentServer},
      {kConnect, &MainDialog::ConnectToCurrent},
      {kRun, &MainDialog::RunRemoteConsole},
      {kServer, &MainDialog::OnServerButton},
      {kOption, &MainDialog::OnOptionButton},
      {kBuddy, &MainDialog::OnBuddyButton},
      {kAlias, &MainDialog::OnAliasButton},
      {kDirectRun, &MainDialog::OnDirectRunButton},
      {kProtocol, &MainDialog::OnProtocolButton},
      {kDemo, &MainDialog::OnDemoButton},
      {kCopy, &MainDialog::CopyCurrent},
      {kOnlyBuddy, &MainDialog::ToggleOnlyBuddy},
      {kAddToBuddy, &MainDialog::AddSelectedPlayersToBuddies},
      {kHelp, &MainDialog::OpenHelp},
      {kHelpIndex, &MainDialog::OpenHelp},
  };
  return kCommands;
}

// The other dialog buttons: MainDialogButtons.cpp.

void MainDialog::RefreshAllServers() {
  {
    ScopedStatus status("Refreshing servers");
    SelectServer(-1);
    BusyScope busy(this);
    servers_->RefreshServers(*Control(kRefreshAll), false, firstWait_);
  }
  notices_->AfterRefresh(browser_.Servers());
}

void MainDialog::RefreshCurrentServer() {
  if (browser_.Current() == -1) return;
  const int index = browser_.Current();
  BusyScope busy(this);
  servers_->SortBy(kSortNone);
  Control(kRefreshAll)->setEnabled(false);
  EnableServerActions(false);
  {
    ScopedStatus status("Refreshing " + browser_.Servers().At(index).Address());
    RefreshOne(browser_.Servers(), settings_, *servers_, index, firstWait_);
  }
  SelectServer(index);
  Control(kRefreshAll)->setEnabled(true);
  EnableServerActions(true);
}

void MainDialog::OnServerRowClicked(int row, int column) {
  const int index = servers_->IndexAt(row);
  if (index < 0) return;
  if (column == kFavoriteColumn) {
    const std::string address = browser_.Servers().At(index).Address();
    SetFavorite(address, !IsFavorite(address));
    servers_->UpdateRow(index);
    servers_->SortBy(kSortNone);
    return;
  }
  if (index == currentAtPress_)
    RefreshCurrentServer();
  else if (index != browser_.Current())
    SelectServer(index);
}

bool MainDialog::ConnectNowOrWait(const ServerInfo& server) {
  // Another Connect ends a wait.
  if (slotWaiter_->Waiting()) slotWaiter_->Stop(FreeSlotWaiter::kStoppedText);
  // Only a server that says how many it takes can be waited on.
  if (!server.queried || server.IsTimedOut() || !FillsPublicSlots(server) ||
      ParseLeadingInt(server.InfoValue("sv_maxclients")) <= 0)
    return true;
  const std::string name = server.name != "-" ? StripColourCodes(server.name) : server.Address();
  const int choice = CurrentPrompts().AskChoice(
      this, name + " is full (" + ServerCellText(server, kPlayersColumn) + ").",
      {"Wait for a free slot", "Connect anyway", "Cancel"});
  if (choice == 0) slotWaiter_->Start(server);
  return choice == 1;
}

void MainDialog::OnSlotFree(const ServerInfo& server) {
  // Not over another command: as soon as it has ended.
  if (BusyScope::Active()) {
    QTimer::singleShot(std::chrono::milliseconds(200), this, [this, server] { OnSlotFree(server); });
    return;
  }
  for (int i = 0; i < browser_.Servers().Count(); ++i) {
    if (browser_.Servers().At(i).Address() != server.Address()) continue;
    browser_.Servers().At(i) = server;  // the count that freed the slot
    servers_->UpdateRow(i);
    SelectServer(i);
    ConnectCurrent();
    return;
  }
}

void MainDialog::ConnectToCurrent() {
  if (ConnectNowOrWait(browser_.CurrentRecord())) ConnectCurrent();
}

void MainDialog::ConnectCurrent() {
  BusyScope busy(this);
  GameStarter& starter = starter_ ? *starter_ : SystemGameStarter();
  CurrentPrompts().Report(
      this, ConnectToCurrentServer(browser_.CurrentRecord(), settings_, aliases_.ChosenAlias().name,
                                   *this, starter, firstWait_));
}

void MainDialog::RefreshCurrentRow() {
  if (browser_.Current() == -1) return;
  RefreshOne(browser_.Servers(), settings_, *servers_, browser_.Current(), firstWait_);
}

std::string MainDialog::AskServerPassword(const ServerInfo& server) {
  PasswordDialog dialog(settings_, server, this);
  const ArrowCursor arrow;
  return dialog.exec() == 1 ? dialog.Password() : std::string();
}

void MainDialog::MinimizeMainWindow() {
  showMinimized();
}

void MainDialog::RunRemoteConsole() {
  if (browser_.Current() == -1) return;
  BusyScope busy(this);
  const std::string password =
      ToGameText(ControlAs<QLineEdit>(kRconPassword)->text()).substr(0, kMaxRconPasswordLength);
  const std::string command =
      ToGameText(ControlAs<QLineEdit>(kCommand)->text()).substr(0, kMaxRconCommandLength);
  const auto answer = RunRemoteCommand(browser_.CurrentRecord(), password, command, firstWait_);
  if (answer) output_->setPlainText(OutputText(*answer));
}

void MainDialog::CopyCurrent() {
  CopyTextToClipboard(*this, servers_->SummaryLineAt(browser_.Current()));
}

void MainDialog::ToggleOnlyBuddy() {
  WriteProfileInt("Display", "OnlyBuddy", onlyBuddy_->isChecked() ? 1 : 0);
  SelectServer(browser_.Current());
}

void MainDialog::AddSelectedPlayersToBuddies() {
  BuddyList& buddies = browser_.Buddies();
  for (int row : players_->SelectedRows())
    buddies.Add(PlayerInfo{StripColourCodes(players_->PlayerAt(row).name), 0, 0, false});
  buddies.Save(settings_.buddyListPath);
}

QString MainDialog::ManualPath() {
  const QString name = QStringLiteral("manual.html");
  QDir dir(QCoreApplication::applicationDirPath());
  const QStringList near = {name, QStringLiteral("docs/") + name,
                            QStringLiteral("../share/doc/vykfind/") + name};
  for (const QString& relative : near)
    if (QFileInfo::exists(dir.filePath(relative)))
      return QFileInfo(dir.filePath(relative)).canonicalFilePath();
  // A build tree below the source tree (build/src/vykfind, build/tests/...).
  for (int up = 0; up < 4 && dir.cdUp(); ++up) {
    const QString candidate = dir.filePath(QStringLiteral("docs/") + name);
    if (QFileInfo::exists(candidate)) return QFileInfo(candidate).canonicalFilePath();
  }
  return {};
}

void MainDialog::OpenHelp() {
  const QString path = ManualPath();
  if (path.isEmpty()) {
    SetStatus("manual.html not found");
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

std::string MainDialog::StatusText() {
  return Trim(ToGameText(status_->text()), kLineBlanks);
}

void MainDialog::SetStatusText(const std::string& text) {
  status_->setText(FromGameText(text));
  status_->repaint();
}

bool MainDialog::SetText(const std::string& text) {
  return SystemClipboard().SetText(text);
}

}  // namespace vyk
