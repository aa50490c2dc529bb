#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "../launch/ArgRecord.h"
#include "DialogFakes.h"
#include "MainWindowFixture.h"
#include "PropertyUiTestUtil.h"
#include "StatusFakes.h"
#include "config/SummaryLine.h"
#include "core/ServerCache.h"
#include "core/ServerFilter.h"
#include "ui/FinderApp.h"
#include "ui/FreeSlotWaiter.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/PropertyList.h"
#include "ui/dialogs/DemoPicker.h"
#include "ui/dialogs/PasswordDialog.h"
#include "ui/widgets/ColourStatic.h"
#include "ui/widgets/SkinnedHeaderCtrl.h"
#include "ui/widgets/SplashWindow.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk::test {
namespace {

using ::testing::HasSubstr;

q3sim::ServerConfig Server(const std::string& name, const std::string& map, int players,
                           int latencyMs = 0) {
  q3sim::ServerConfig c = q3sim::DefaultServerConfig(name, map, 68);
  c.SetInfo("sv_maxclients", "16");
  c.SetInfo("sv_privateClients", "0");
  for (int i = 0; i < players; ++i)
    c.players.push_back(
        {i * 3, 20 + i, "^" + std::to_string(1 + i % 6) + "Player" + std::to_string(i)});
  c.SetLatency(latencyMs);
  return c;
}

class MainDialogTest : public MainWindowTest {
 protected:
  void FarmOfFive() {
    std::vector<q3sim::ServerConfig> configs = {
        Server("^1Red ^7Arena", "q3dm17", 3), Server("Blue Base", "q3dm6", 0),
        Server("^3Golden", "q3tourney2", 5), Server("Zulu", "q3dm1", 1)};
    q3sim::ServerConfig silent = Server("Quiet", "q3dm2", 0);
    silent.silent = true;
    configs.push_back(silent);
    AddToFarm(configs);
    firstWait_ = std::chrono::milliseconds(500);
  }
  // Opens the window with the argument recorder as the game, then refreshes the list;
  // returns the file the recorder writes its arguments to.
  std::filesystem::path OpenRecordingStartsAndRefresh() {
    const std::filesystem::path record = home_.Path() / "started.rec";
    RecordStartsTo(record);
    Open();
    settings_.gamePath = VYK_ARG_RECORDER;
    settings_.switchProtocol = 0;
    dialog_->OnCommand(MainDialog::kRefreshAll);
    return record;
  }
  void Click(QWidget* w) { static_cast<QAbstractButton*>(w)->click(); }
  void ClickCell(int row, int column) {
    MouseClick(Servers().viewport(), Servers().CellRect(row, column).center());
  }
};

TEST_F(MainDialogTest, RefreshAllShowsEveryAnsweringServerWithItsCells) {
  FarmOfFive();
  Open();
  EXPECT_EQ(Servers().RowCount(), 5);  // loaded: every server, none queried yet
  EXPECT_EQ(Servers().ItemText(0, 2), "-/-");

  dialog_->OnCommand(MainDialog::kRefreshAll);

  // HideTimeOut is on by default: the silent server has no row.
  ASSERT_EQ(Servers().RowCount(), 4);
  EXPECT_EQ(RowOfServer(4), -1);
  const int red = RowOfServer(0);
  ASSERT_GE(red, 0);
  EXPECT_EQ(Servers().ItemText(red, 0), "^1Red ^7Arena");
  EXPECT_EQ(Servers().ItemText(red, 2), "3/16");
  EXPECT_EQ(Servers().ItemText(red, 3), "q3dm17");
  EXPECT_FALSE(Servers().ItemText(red, 4).empty());
  EXPECT_EQ(Servers().ItemText(red, 1), "");  // no buddies
  EXPECT_EQ(Servers().ItemText(red, 7), "");
  EXPECT_TRUE(dialog_->Control(MainDialog::kRefreshAll)->isEnabled());
  EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Vyk Finder"));
  EXPECT_EQ(dialog_->CurrentServer(), -1);
  EXPECT_FALSE(dialog_->Control(MainDialog::kConnect)->isEnabled());
}

// While a refresh blocks the window it keeps painting, and a click that comes meanwhile
// is dropped, not run after the refresh.
TEST_F(MainDialogTest, BlockedWindowPaintsAndDropsInput) {
  std::vector<q3sim::ServerConfig> configs;
  for (int i = 0; i < 6; ++i)
    configs.push_back(Server("Slow " + std::to_string(i), "q3dm17", 1, 300));
  AddToFarm(configs);
  Open();
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++paints;
      return false;
    }
  } counter;
  Servers().viewport()->installEventFilter(&counter);
  QWidget* quit = dialog_->Control(MainDialog::kQuit);
  QTimer::singleShot(100, quit, [&] {
    counter.paints = 0;
    Servers().viewport()->update();
    SendMouse(quit, QEvent::MouseButtonPress, QPoint(3, 3));
    SendMouse(quit, QEvent::MouseButtonRelease, QPoint(3, 3));
  });
  dialog_->OnCommand(MainDialog::kRefreshAll);
  QApplication::processEvents();

  EXPECT_GT(counter.paints, 0);
  EXPECT_TRUE(dialog_->isVisible());  // the Quit click was thrown away
  EXPECT_EQ(Servers().RowCount(), 6);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Workers write their records while the window paints the list every millisecond: the
// rows are drawn from what was stored when each was last written, never from a record
// (the ThreadSanitizer build sees any read that overlaps a worker's write).
TEST_F(MainDialogTest, RowsPaintFromTheirStoredTextsWhileWorkersWrite) {
  q3sim::GeneratorOptions o;
  o.count = 240;
  o.seed = 5;
  o.latencyMinMs = 1;
  o.latencyMaxMs = 40;
  o.playersMin = o.playersMax = 8;
  AddToFarm(q3sim::GenerateServers(o));
  Open();
  settings_.maxThread = 8;
  int paints = 0;
  QTimer painter;
  QObject::connect(&painter, &QTimer::timeout, [&] {
    Servers().viewport()->repaint();
    for (int r = Servers().TopRow(); r >= 0 && r < Servers().TopRow() + 20; ++r)
      Servers().TooltipText(r, 0);
    ++paints;
  });
  painter.start(1);
  dialog_->OnCommand(MainDialog::kRefreshAll);
  painter.stop();
  EXPECT_GE(paints, 5);
  ASSERT_EQ(Servers().RowCount(), 240);

  // A record written after its row (as a worker does) leaves the painted row as it was.
  const int row = Servers().TopRow();
  const QImage before = Servers().viewport()->grab().toImage();
  const std::string tooltip = Servers().TooltipText(row, 0).toStdString();
  ServerInfo& record = Servers().Servers().At(Servers().IndexAt(row));
  record.name = "^1Somewhere ^2Else";
  record.ping = settings_.badPing + 50;
  record.players.Clear();
  EXPECT_TRUE(Servers().viewport()->grab().toImage() == before);
  EXPECT_EQ(Servers().TooltipText(row, 0).toStdString(), tooltip);
}

TEST_F(MainDialogTest, FiltersAndSortKeysChangeTheRows) {
  FarmOfFive();
  WriteProfileInt("Filter", "HideEmpty", 1);
  Open();
  dialog_->OnCommand(MainDialog::kRefreshAll);
  // Empty servers are hidden now as well.
  EXPECT_EQ(Servers().RowCount(), 3);
  EXPECT_EQ(RowOfServer(1), -1);

  Servers().SortBy(kSortByMap);
  std::vector<std::string> maps;
  for (int r = 0; r < Servers().RowCount(); ++r) maps.push_back(Servers().ItemText(r, 3));
  EXPECT_THAT(maps, ::testing::ElementsAre("q3dm1", "q3dm17", "q3tourney2"));
  Servers().SortBy(kSortByPlayers);
  EXPECT_EQ(Servers().ItemText(0, 2), "5/16");
}

TEST_F(MainDialogTest, HeaderClickSortsAndRemembersTheKey) {
  FarmOfFive();
  Open();
  dialog_->OnCommand(MainDialog::kRefreshAll);
  SkinnedHeaderCtrl* header = Servers().Header();
  const QPoint at(header->sectionViewportPosition(3) + header->sectionSize(3) / 2,
                  header->height() / 2);
  MouseClick(header->viewport(), at);

  EXPECT_EQ(Servers().SortKey(), 3);
  EXPECT_EQ(ReadProfileInt("info", "LastServerSort", -1), 3);
  EXPECT_EQ(Servers().ItemText(0, 3), "q3dm1");
}

TEST_F(MainDialogTest, FavouriteColumnTogglesTheCacheFlag) {
  FarmOfFive();
  Open();
  dialog_->OnCommand(MainDialog::kRefreshAll);
  const int row = RowOfServer(2);
  ClickCell(row, 7);
  EXPECT_TRUE(IsFavorite(Address(2)));
  EXPECT_EQ(Servers().ItemText(RowOfServer(2), 7), " *");
  EXPECT_EQ(Servers().SortKey(), kSortNone);  // the order is kept from now on
  ClickCell(RowOfServer(2), 7);
  EXPECT_FALSE(IsFavorite(Address(2)));
  EXPECT_EQ(Servers().ItemText(RowOfServer(2), 7), "");
}

TEST_F(MainDialogTest, SelectingARowShowsInfoPlayersAndTitle) {
  FarmOfFive();
  Open();
  dialog_->OnCommand(MainDialog::kRefreshAll);
  ClickCell(RowOfServer(0), 3);

  ASSERT_EQ(dialog_->CurrentServer(), Servers().IndexAt(RowOfServer(0)));
  const QString output = dialog_->ControlAs<QPlainTextEdit>(MainDialog::kOutput)->toPlainText();
  EXPECT_TRUE(output.contains(QStringLiteral("mapname=q3dm17\n"))) << output.toStdString();
  EXPECT_FALSE(output.contains(QLatin1Char('\r')));
  EXPECT_EQ(Players().RowCount(), 3);
  EXPECT_EQ(Players().ItemText(1, 0), "^2Player1");
  EXPECT_EQ(Players().ItemText(1, 1), "21");
  EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Vyk Finder [ ^1Red ^7Arena ]"));
  EXPECT_EQ(dialog_->ControlAs<QLineEdit>(MainDialog::kAddress)->text(),
            QStringLiteral("127.0.0.1"));
  EXPECT_EQ(dialog_->ControlAs<QLineEdit>(MainDialog::kPort)->text().toStdString(),
            Address(0).substr(Address(0).find(':') + 1));
  EXPECT_TRUE(dialog_->Control(MainDialog::kConnect)->isEnabled());
}

TEST_F(MainDialogTest, ClickingTheCurrentRowRequeriesAndAnotherRowOnlyShows) {
  FarmOfFive();
  Open();
  dialog_->OnCommand(MainDialog::kRefreshAll);
  ClickCell(RowOfServer(0), 0);
  const auto afterSelect = farm_.Stats(ids_[0]).requests;
  ClickCell(RowOfServer(0), 0);
  EXPECT_EQ(farm_.Stats(ids_[0]).requests, afterSelect + 1);

  const auto before = farm_.Stats(ids_[2]).requests;
  ClickCell(RowOfServer(2), 0);
  EXPECT_EQ(farm_.Stats(ids_[2]).requests, before);
  EXPECT_EQ(dialog_->CurrentServer(), Servers().IndexAt(RowOfServer(2)));

  // Below the last row: nothing changes.
  const int current = dialog_->CurrentServer();
  MouseClick(Servers().viewport(), QPoint(20, Servers().viewport()->height() - 3));
  EXPECT_EQ(dialog_->CurrentServer(), current);
}

// Showing the window is no size change: the first columns keep their set-up widths
// until the window is resized.
TEST_F(MainDialogTest, FirstShowKeepsTheSetUpColumnWidths) {
  FarmOfFive();
  LoadSettings(settings_);
  dialog_ = std::make_unique<MainDialog>(settings_);
  const int serverColumn = Servers().columnWidth(0);
  dialog_->show();
  QApplication::processEvents();
  EXPECT_EQ(Players().columnWidth(0), 200);
  EXPECT_EQ(Servers().columnWidth(0), serverColumn);

  dialog_->resize(dialog_->width() + 100, dialog_->height());
  QApplication::processEvents();
  EXPECT_EQ(Players().columnWidth(0),
            SkinnedListCtrl::FirstColumnWidth(Players().ClientWidth(), Players().ScrollBarWidth(),
                                              120));
}

TEST_F(MainDialogTest, RunShowsTheCleanedAnswer) {
#ifdef _WIN32
  GTEST_SKIP() << "an rcon handler in this process cannot serve the farm in another one";
#endif
  q3sim::ServerConfig c = Server("Console", "q3dm17", 0);
  c.rconPassword = "secret";
  c.rconHandler = [](const std::string& command) { return "did " + command + "\nsecond line\n"; };
  AddToFarm({c});
  Open();
  dialog_->OnCommand(MainDialog::kRefreshAll);
  dialog_->SelectServer(0);
  dialog_->ControlAs<QLineEdit>(MainDialog::kRconPassword)->setText(QStringLiteral("secret"));
  dialog_->ControlAs<QLineEdit>(MainDialog::kCommand)->setText(QStringLiteral("map q3dm6"));
  Click(dialog_->ControlAs<QPushButton>(MainDialog::kRun));

  EXPECT_EQ(dialog_->ControlAs<QPlainTextEdit>(MainDialog::kOutput)->toPlainText(),
            QStringLiteral("did map q3dm6\nsecond line\n"));
  EXPECT_EQ(Servers().Servers().At(0).password, "secret");
}

TEST_F(MainDialogTest, CopyPutsTheSummaryLineOnTheClipboard) {
  AddToFarm({Server("^1Copy ^7Me", "q3dm17", 2)});
  Open();
  dialog_->OnCommand(MainDialog::kRefreshAll);
  dialog_->SelectServer(0);
  Click(dialog_->ControlAs<QPushButton>(MainDialog::kCopy));
  const std::string expected = SummaryLine(Servers().Servers().At(0), settings_);
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(QGuiApplication::clipboard()->text(), FromGameText(expected));
}

TEST_F(MainDialogTest, ConnectStartsTheGameWithTheConnectLine) {
  AddToFarm({Server("Arena", "q3dm17", 1)});
  const std::filesystem::path record = OpenRecordingStartsAndRefresh();
  MouseDoubleClick(Servers().viewport(), Servers().CellRect(0, 0).center());

  const auto started = WaitForArgRecord(record);
  ASSERT_TRUE(started.has_value());
  EXPECT_THAT(started->argv, ::testing::Contains("+connect"));
  EXPECT_THAT(started->argv, ::testing::Contains(Address(0)));
  EXPECT_EQ(GetConnectCount(Address(0)), 1);
}

// The first click of a double-click on the current row re-queries it and blocks the
// window; the rest of the double-click, queued meanwhile, still connects.
TEST_F(MainDialogTest, DoubleClickOnTheCurrentRowConnects) {
  AddToFarm({Server("Arena", "q3dm17", 1), Server("Other", "q3dm6", 0)});
  const std::filesystem::path record = OpenRecordingStartsAndRefresh();
  ClickCell(RowOfServer(0), 0);
  ASSERT_EQ(dialog_->CurrentServer(), Servers().IndexAt(RowOfServer(0)));
  const auto before = farm_.Stats(ids_[0]).requests;

  // The whole gesture is queued for the window before the first click is handled.
  QWindow* window = dialog_->windowHandle();
  ASSERT_NE(window, nullptr);
  const QPoint at =
      Servers().viewport()->mapTo(dialog_.get(), Servers().CellRect(RowOfServer(0), 3).center());
  const QEvent::Type gesture[] = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease};
  for (QEvent::Type type : gesture) {
    const bool down = type != QEvent::MouseButtonRelease;
    QCoreApplication::postEvent(
        window, new QMouseEvent(type, QPointF(at), QPointF(window->mapToGlobal(at)), Qt::LeftButton,
                                down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier));
  }
  for (int i = 0; i < 3; ++i) QApplication::processEvents();

  EXPECT_GT(farm_.Stats(ids_[0]).requests, before);  // the first click re-queried it
  ASSERT_EQ(GetConnectCount(Address(0)), 1);
  const auto started = WaitForArgRecord(record);
  ASSERT_TRUE(started.has_value());
  EXPECT_THAT(started->argv, ::testing::Contains(Address(0)));
}

TEST_F(MainDialogTest, ConnectAsksForThePasswordAndRemembersIt) {
  q3sim::ServerConfig locked = Server("Locked", "q3dm17", 0);
  locked.SetInfo("g_needpass", "1");
  AddToFarm({locked});
  WriteCacheValue(Address(0), "pass", "old");
  const std::filesystem::path record = OpenRecordingStartsAndRefresh();
  dialog_->SelectServer(0);

  QString caption, offered;
  QTimer::singleShot(0, [&] {
    auto* asked = qobject_cast<SkinnedDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(asked, nullptr);
    caption = asked->windowTitle();
    auto* edit = asked->ControlAs<QLineEdit>(PasswordDialog::kPasswordEdit);
    offered = edit->text();
    edit->setText(QStringLiteral("new"));
    asked->OnCommand(1);
  });
  dialog_->OnCommand(MainDialog::kConnect);

  EXPECT_EQ(caption, QStringLiteral("Need Password"));
  EXPECT_EQ(offered, QStringLiteral("old"));
  EXPECT_EQ(ReadCacheValue(Address(0), "pass", ""), "new");
  const auto started = WaitForArgRecord(record);
  ASSERT_TRUE(started.has_value());
  EXPECT_THAT(started->argv, ::testing::Contains("+password"));
  EXPECT_THAT(started->argv, ::testing::Contains("new"));
}

TEST_F(MainDialogTest, OnlyBuddyBoxIsStoredAndRestored) {
  AddToFarm({Server("Arena", "q3dm17", 3)});
  WriteFile(home_.Path() / "player.vyk", "player1\n");
  Open();
  dialog_->OnCommand(MainDialog::kRefreshAll);
  dialog_->SelectServer(0);
  EXPECT_EQ(Players().RowCount(), 3);

  Click(dialog_->ControlAs<QCheckBox>(MainDialog::kOnlyBuddy));
  EXPECT_EQ(ReadProfileInt("Display", "OnlyBuddy", -1), 1);
  ASSERT_EQ(Players().RowCount(), 1);
  EXPECT_EQ(Players().ItemText(0, 0), "^2Player1");

  dialog_.reset();
  Open();
  EXPECT_TRUE(dialog_->ControlAs<QCheckBox>(MainDialog::kOnlyBuddy)->isChecked());
  Click(dialog_->ControlAs<QCheckBox>(MainDialog::kOnlyBuddy));
  EXPECT_EQ(ReadProfileInt("Display", "OnlyBuddy", -1), 0);
}

TEST_F(MainDialogTest, AddToBuddyAppendsStrippedNamesAndSaves) {
  AddToFarm({Server("Arena", "q3dm17", 3)});
  Open();
  dialog_->OnCommand(MainDialog::kRefreshAll);
  dialog_->SelectServer(0);
  Players().SetRowSelected(0, true);
  Players().SetRowSelected(2, true);
  dialog_->OnCommand(MainDialog::kAddToBuddy);
  EXPECT_EQ(ReadFile(home_.Path() / "player.vyk"), test::NewFileLines("Player0\nPlayer2\n"));
}

TEST_F(MainDialogTest, TitleAndAliasEdgeCases) {
  EXPECT_EQ(MainDialog::TitleFor(""), "Vyk Finder");
  EXPECT_EQ(MainDialog::TitleFor("^1Word"), "Vyk Finder - Word - ");
  EXPECT_EQ(MainDialog::TitleFor("^1^2"), "Vyk Finder");

  AddToFarm({Server("^1Red^7Host", "q3dm17", 0)});
  WriteFile(home_.Path() / "Alias.vyk", "^1Word\n");
  WriteProfileString("info", "LastAlias", "^1Word");
  Open();
  EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Vyk Finder - Word - "));
  EXPECT_EQ(dialog_->ControlAs<ColourStatic>(MainDialog::kAliasField)->Text(), " ^1Word");
  dialog_->OnCommand(MainDialog::kRefreshAll);
  dialog_->SelectServer(0);
  EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Vyk Finder - Word -  [ ^1Red^7Host ]"));
}

// The splash comes with the window, before the servers, buddies and aliases load, and
// so is centred on the screen: the window is not shown yet.
TEST_F(MainDialogTest, SplashComesWhenTheWindowIsCreated) {
  FarmOfFive();
  LoadSettings(settings_);
  EnableSplash(true);
  dialog_ = std::make_unique<MainDialog>(settings_);
  EnableSplash(false);
  SplashWindow* splash = SplashWindow::Instance();
  ASSERT_NE(splash, nullptr);
  EXPECT_TRUE(splash->isVisible());
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(splash->geometry().center(),
            QGuiApplication::primaryScreen()->availableGeometry().center());
  dialog_.reset();
  EXPECT_EQ(SplashWindow::Instance(), nullptr);
}

TEST_F(MainDialogTest, StatusLineAndErrorsGoThroughTheWindow) {
  Open();
  EXPECT_EQ(dialog_->ControlAs<QLineEdit>(MainDialog::kStatus)->text(), QStringLiteral("  Ready"));
  EXPECT_EQ(SetStatus("Working"), "Ready");
  EXPECT_EQ(dialog_->ControlAs<QLineEdit>(MainDialog::kStatus)->text(),
            QStringLiteral("  Working"));
  dialog_.reset();
  EXPECT_EQ(CurrentStatusSink(), nullptr);
}

TEST_F(MainDialogTest, HelpOpensTheShippedManual) {
  const QString manual = MainDialog::ManualPath();
  ASSERT_FALSE(manual.isEmpty());
  EXPECT_TRUE(manual.endsWith(QStringLiteral("manual.html")));
}

TEST_F(MainDialogTest, ReturnCodesOfQuitAndEscape) {
  Open();
  dialog_->OnCommand(MainDialog::kQuit);
  EXPECT_EQ(dialog_->result(), 2);
  EXPECT_FALSE(dialog_->isVisible());
}

TEST(FinderAppTest, DemoFilesAreRecognisedInAnyCase) {
  EXPECT_TRUE(IsDemoArgument("/games/baseq3/demos/Final.DM_68"));
  EXPECT_TRUE(IsDemoArgument("x.dm_66"));
  EXPECT_FALSE(IsDemoArgument("server.vyk"));
  EXPECT_FALSE(IsDemoArgument(""));
}

TEST(FinderAppTest, PathsStartingWithASlashAreFilesNotSwitches) {
  std::string file;
  EXPECT_TRUE(FinderApp::ParseArguments(
      {QStringLiteral("vykfind"), QStringLiteral("-style"), QStringLiteral("/q3/demos/a.dm_68")},
      &file));
  EXPECT_EQ(file, "/q3/demos/a.dm_68");
  file.clear();
  EXPECT_FALSE(FinderApp::ParseArguments(
      {QStringLiteral("vykfind"), QStringLiteral("/Embedding")}, &file));
  EXPECT_FALSE(FinderApp::ParseArguments(
      {QStringLiteral("vykfind"), QStringLiteral("-automation")}, &file));
}

}  // namespace
}  // namespace vyk::test

namespace vyk::test {
namespace {

void Type(QWidget* w, const QString& text) {
  w->setFocus();
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &press);
  }
  QApplication::processEvents();
}

void PressEscapeIn(QWidget* w) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QApplication::processEvents();
}

// Until done holds or the time is up, with the window's events running.
template <typename Done>
bool RunUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

TEST_F(MainDialogTest, SearchFieldKeepsTheServersItFindsAndEscapeClearsIt) {
  FarmOfFive();
  Open();
  dialog_->OnCommand(MainDialog::kRefreshAll);
  ASSERT_EQ(Servers().RowCount(), 4);
  auto* search = dialog_->ControlAs<QLineEdit>(MainDialog::kSearch);
  ASSERT_NE(search, nullptr);

  Type(search, QStringLiteral("GOLD"));
  ASSERT_EQ(Servers().RowCount(), 1);
  EXPECT_EQ(Servers().ItemText(0, 0), "^3Golden");
  search->clear();
  Type(search, QStringLiteral("layer4"));  // only Golden has a fifth player
  ASSERT_EQ(Servers().RowCount(), 1);
  dialog_->SelectServer(Servers().IndexAt(0));
  const std::vector<int> chosen = Players().SelectedRows();
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(Players().PlayerAt(chosen[0]).name, "^5Player4");
  // With the Parts' filters: the silent server stays hidden whatever is typed.
  search->clear();
  Type(search, QStringLiteral("quiet"));
  EXPECT_EQ(Servers().RowCount(), 0);

  PressEscapeIn(search);
  EXPECT_TRUE(search->text().isEmpty());
  EXPECT_EQ(Servers().RowCount(), 4);
  EXPECT_TRUE(dialog_->isVisible());  // the search took the Escape, not the window
}

TEST_F(MainDialogTest, HideBotOnlyTickedInTheOptionsHidesServersWithoutAHuman) {
  q3sim::ServerConfig bots = Server("Bots", "q3dm1", 0);
  bots.players = {{3, 0, "Sarge"}, {1, 0, "Doom"}};
  q3sim::ServerConfig mixed = Server("Mixed", "q3dm2", 0);
  mixed.players = {{3, 0, "Sarge"}, {2, 48, "Human"}};
  AddToFarm({bots, mixed});
  Open();
  dialog_->OnCommand(MainDialog::kRefreshAll);
  ASSERT_EQ(Servers().RowCount(), 2);
  EXPECT_EQ(Servers().ItemText(RowOfServer(1), kPlayersColumn), "1+1/16");

  QTimer::singleShot(0, [] {
    auto* options = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(options, nullptr);
    ClickValue(*options->List(), "Hide bot-only");  // a tick, as the user gives it
    options->OnCommand(1);
  });
  dialog_->OnCommand(MainDialog::kOption);
  EXPECT_EQ(ReadProfileInt("Filter", "HideBotOnly", -1), 1);
  dialog_->OnCommand(MainDialog::kRefreshAll);
  ASSERT_EQ(Servers().RowCount(), 1);
  EXPECT_EQ(Servers().ItemText(0, 0), "Mixed");
}

TEST_F(MainDialogTest, WaitsForAFreeSlotAndConnectsWhenOneOpens) {
  q3sim::ServerConfig full = Server("Packed", "q3dm17", 4);
  full.SetInfo("sv_maxclients", "4");
  AddToFarm({full});
  const std::filesystem::path record = OpenRecordingStartsAndRefresh();
  dialog_->SetSlotWaitTiming({std::chrono::milliseconds(100), std::chrono::milliseconds(50),
                              std::chrono::seconds(20)});
  ScriptedPrompts prompts;
  prompts.choices = {0};  // wait for a free slot
  InstallDialogPrompts(&prompts);
  RecordingStatus status;
  dialog_->SelectServer(0);
  dialog_->OnCommand(MainDialog::kConnect);
  ASSERT_EQ(prompts.offered, std::vector<std::string>{"Packed is full (4/4)."});
  EXPECT_TRUE(dialog_->SlotWaiter().Waiting());
  EXPECT_TRUE(RunUntil([&] { return farm_.Stats(ids_[0]).requests >= 3; }));
  EXPECT_FALSE(std::filesystem::exists(record));
  EXPECT_TRUE(status.text.find("Waiting for a free slot on " + Address(0) + " (4/4)") !=
              std::string::npos)
      << status.text;
  // The window stays usable meanwhile.
  dialog_->OnCommand(MainDialog::kCopy);
  EXPECT_EQ(QApplication::clipboard()->text().contains(QStringLiteral("Packed")), true);

  farm_.Modify(ids_[0], [](q3sim::ServerConfig& c) { c.players.pop_back(); });
  EXPECT_TRUE(RunUntil([&] { return std::filesystem::exists(record); }));
  InstallDialogPrompts(nullptr);
  EXPECT_FALSE(dialog_->SlotWaiter().Waiting());
  const auto started = WaitForArgRecord(record);
  ASSERT_TRUE(started.has_value());
  EXPECT_THAT(started->argv, ::testing::Contains(Address(0)));

  // Escape ends a wait instead of closing the window.
  farm_.Modify(ids_[0], [](q3sim::ServerConfig& c) { c.players.push_back({1, 30, "Back"}); });
  dialog_->OnCommand(MainDialog::kRefreshCurrent);
  prompts.choices = {0};
  InstallDialogPrompts(&prompts);
  dialog_->OnCommand(MainDialog::kConnect);
  EXPECT_TRUE(dialog_->SlotWaiter().Waiting());
  PressEscapeIn(dialog_.get());
  InstallDialogPrompts(nullptr);
  EXPECT_FALSE(dialog_->SlotWaiter().Waiting());
  EXPECT_TRUE(dialog_->isVisible());
}

}  // namespace
}  // namespace vyk::test

#ifdef VYK_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>

#include "ui/DesktopNotifier.h"

namespace vyk::test {
namespace {

// A notification service of our own on a private session bus: it keeps what it
// is asked to show and can click a notification.
class FakeNotifications : public QDBusVirtualObject {
 public:
  explicit FakeNotifications(QDBusConnection bus) : bus_(std::move(bus)) {}
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != QStringLiteral("Notify")) return false;
    const QList<QVariant> args = message.arguments();
    shown.push_back(args.value(3).toString() + QStringLiteral(" / ") + args.value(4).toString());
    connection.send(message.createReply(QVariant::fromValue(uint(shown.size()))));
    return true;
  }
  void Click(uint id) {
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(DesktopNotifier::kPath),
                                                     QStringLiteral("org.freedesktop.Notifications"),
                                                     QStringLiteral("ActionInvoked"));
    signal << id << QStringLiteral("default");
    bus_.send(signal);
  }
  std::vector<QString> shown;

 private:
  QDBusConnection bus_;
};

TEST_F(MainDialogTest, ABuddyWhoTurnsUpIsToldOnceAndTheNotificationLeadsToTheServer) {
#if defined(__SANITIZE_THREAD__)
  // A fork beside the farm's thread is beyond ThreadSanitizer; the other runs cover it.
  GTEST_SKIP() << "starts dbus-daemon by fork";
#endif
  QProcess daemon;
  daemon.start(QStringLiteral("dbus-daemon"),
               {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1")});
  if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000))
    GTEST_SKIP() << "no dbus-daemon on this machine";
  const QString address = QString::fromLatin1(daemon.readLine()).trimmed();
  QDBusConnection serviceBus = QDBusConnection::connectToBus(address, QStringLiteral("fake"));
  ASSERT_TRUE(serviceBus.isConnected());
  FakeNotifications service(serviceBus);
  ASSERT_TRUE(serviceBus.registerVirtualObject(QString::fromLatin1(DesktopNotifier::kPath), &service));
  ASSERT_TRUE(serviceBus.registerService(QString::fromLatin1(DesktopNotifier::kService)));

  AddToFarm({Server("^1Red ^7Arena", "q3dm17", 2), Server("Blue Base", "q3dm6", 1)});
  WriteFile(home_.Path() / "player.vyk", "visor\n");
  Open();
  dialog_->SetNotifier(
      new DesktopNotifier(dialog_.get(), QDBusConnection::connectToBus(address, QStringLiteral("app"))));
  dialog_->OnCommand(MainDialog::kRefreshAll);  // notes who is where, tells nothing
  EXPECT_TRUE(service.shown.empty());

  farm_.Modify(ids_[1], [](q3sim::ServerConfig& c) { c.players.push_back({4, 35, "^4Vis^7or"}); });
  dialog_->OnCommand(MainDialog::kRefreshAll);
  ASSERT_TRUE(RunUntil([&] { return !service.shown.empty(); }, std::chrono::seconds(5)));
  EXPECT_EQ(service.shown, std::vector<QString>{QStringLiteral("Visor is playing / on Blue Base (") +
                                                QString::fromLatin1(Address(1).c_str()) +
                                                QStringLiteral(")")});
  dialog_->OnCommand(MainDialog::kRefreshAll);  // still there: not told again
  QApplication::processEvents();
  EXPECT_EQ(service.shown.size(), 1u);

  dialog_->SelectServer(-1);
  service.Click(1);
  EXPECT_TRUE(RunUntil([&] { return dialog_->CurrentServer() != -1; }, std::chrono::seconds(5)));
  EXPECT_EQ(Servers().Servers().At(dialog_->CurrentServer()).Address(), Address(1));
  daemon.kill();
  daemon.waitForFinished();
}

}  // namespace
}  // namespace vyk::test
#endif
