#include "ui/MainDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
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
#include "ui/BusyScope.h"
#include "ui/PlayerListView.h"
#include "ui/ServerListView.h"
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
    {MainDialog::kStatus, 0, 100, 100, 0},
};

}  // namespace

MainDialog::MainDialog(Settings& settings, QWidget* parent, std::chrono::milliseconds firstWait)
    : SkinnedDialog(settings, parent),
      settings_(settings),
      firstWait_(firstWait),
      browser_(settings.lastServerSort) {
  // Over the window being created, while the servers, buddies and aliases load below.
  ShowSplash(this);
  DialogTemplate t;
  LoadDialogTemplate(kMainTemplate, t);
  BuildFromTemplate(t, [this](const ControlTemplate& c, QWidget* owner) -> QWidget* {
    if (c.id == kServerList) return servers_ = new ServerListView(settings_, browser_, owner);
    if (c.id == kPlayerList) return players_ = new PlayerListView(settings_, owner);
    return nullptr;
  });
  status_ = ControlAs<QLineEdit>(kStatus);
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
  std::string title = TitleFor(aliases_.ChosenAlias().name);
  const std::string hostname = shown->InfoValue("sv_hostname");
  if (!hostname.empty()) title += " [ " + hostname + " ]";
  setWindowTitle(FromGameText(title));
}

void MainDialog::OnCommand(int id) {
  switch (id) {
    case kRefreshAll:
      return RefreshAllServers();
    case kRefreshCurrent:
      return RefreshCurrentServer();
    case kConnect:
      return ConnectToCurrent();
    case kRun:
      return RunRemoteConsole();
    case kServer:
      return OnServerButton();
    case kOption:
      return OnOptionButton();
    case kBuddy:
      return OnBuddyButton();
    case kAlias:
      return OnAliasButton();
    case kDirectRun:
      return OnDirectRunButton();
    case kProtocol:
      return OnProtocolButton();
    case kDemo:
      return OnDemoButton();
    case kCopy:
      return CopyCurrent();
    case kOnlyBuddy:
      return ToggleOnlyBuddy();
    case kAddToBuddy:
      return AddSelectedPlayersToBuddies();
    case kHelp:
    case kHelpIndex:
      return OpenHelp();
    default:
      SkinnedDialog::OnCommand(id);  // kOk (Enter) and kQuit (the button, Escape) close
  }
}

// The other dialog buttons: MainDialogButtons.cpp.

void MainDialog::RefreshAllServers() {
  ScopedStatus status("Refreshing servers");
  SelectServer(-1);
  BusyScope busy(this);
  QWidget* refreshAll = Control(kRefreshAll);
  refreshAll->setEnabled(false);
  servers_->repaint();
  const QString title = windowTitle();
  setWindowTitle(QStringLiteral("Refresh ... please wait"));
  RefreshAll(browser_.Servers(), settings_, *servers_, false, firstWait_);
  setWindowTitle(title);
  refreshAll->setEnabled(true);
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

void MainDialog::ConnectToCurrent() {
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
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(FromGameText(text));
  return true;
}

}  // namespace vyk
