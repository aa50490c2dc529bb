#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "DialogFakes.h"
#include "Farm.h"
#include "TestHome.h"
#include "core/ServerCache.h"
#include "core/ServerList.h"
#include "platform/ProgramDirectory.h"
#include "ui/ServerListView.h"
#include "ui/dialogs/ServerListDialog.h"

namespace vyk {
namespace {

using namespace std::chrono_literals;
using Answer = DialogPrompts::Answer;
using test::Press;
using test::ReadFile;
using test::WriteFile;

ServerInfo Record(const std::string& host, std::uint16_t port) {
  return ServerInfo(host, port, "");
}

class ServerListDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.serverListPath = home.Dir() + "server.vyk";
    // Never the real master: the farm's, on the loopback address.
    settings.masterServer = "127.0.0.1";
    settings.masterServerPort = 9;  // nothing is asked before a test opens the farm's
    settings.protocol = "68";
    WriteFile(settings.serverListPath, "file:1\n");
  }
  std::unique_ptr<ServerListDialog> Open(std::chrono::milliseconds firstWait = kAnswerWait) {
    return std::make_unique<ServerListDialog>(settings, mainList, nullptr, &prompts, firstWait);
  }
  static std::vector<std::string> Addresses(ServerListDialog& d) {
    std::vector<std::string> out;
    const ServerList& list = d.View().Servers();
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.At(i).Address());
    return out;
  }
  static std::vector<std::string> RowAddresses(ServerListDialog& d) {
    std::vector<std::string> out;
    for (int r = 0; r < d.View().RowCount(); ++r) out.push_back(d.View().ItemText(r, 5));
    std::sort(out.begin(), out.end());
    return out;
  }
  static void Type(ServerListDialog& d, const std::string& text) {
    d.ControlAs<QLineEdit>(ServerListDialog::kAddress)->setText(QString::fromLatin1(text));
  }
  std::string FileText() { return ReadFile(settings.serverListPath); }
  // Opens on a main list of one server and presses button: the server stays, yet the
  // list counts as changed.
  std::unique_ptr<ServerListDialog> PressOnOneServer(int button) {
    mainList.Add(Record("10.0.0.1", 27960));
    auto d = Open();
    Press(*d, button);
    EXPECT_EQ(Addresses(*d), (std::vector<std::string>{"10.0.0.1:27960"}));
    EXPECT_TRUE(d->Changed());
    return d;
  }

  test::TestHome home;
  test::RecordingStatus sink;
  test::ScriptedPrompts prompts;
  Settings settings;
  ServerList mainList;
};

TEST_F(ServerListDialogTest, OpensOnACopyOfTheMainListAndQuitsWithoutAsking) {
  mainList.Add(Record("10.0.0.1", 27960));
  mainList.Add(Record("10.0.0.2", 27961));
  mainList.Add(Record("10.0.0.1", 27960));  // the same server twice
  settings.masterServer = kDefaultMasterServer;
  settings.masterServerPort = 27950;
  auto d = Open();
  EXPECT_EQ(d->windowTitle(), QStringLiteral("directory.ioquake3.org:27950"));
  EXPECT_EQ(d->ControlAs<QPushButton>(ServerListDialog::kRequest)->text(),
            QStringLiteral("Add directory.ioquake3.org"));
  EXPECT_EQ(d->ControlAs<QLineEdit>(ServerListDialog::kAddress)->text(),
            QStringLiteral("127.0.0.1:27960"));
  EXPECT_EQ(d->View().SelectionStyle(), 1);
  EXPECT_EQ(d->View().ColumnCount(), 9);
  EXPECT_EQ(Addresses(*d), (std::vector<std::string>{"10.0.0.1:27960", "10.0.0.2:27961"}));
  EXPECT_EQ(d->View().RowCount(), 2);
  EXPECT_FALSE(d->Changed());
  Press(*d, 1);
  EXPECT_EQ(d->result(), 1);
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(FileText(), "file:1\n");
  EXPECT_EQ(mainList.Count(), 3);  // never written by the editor
}

TEST_F(ServerListDialogTest, AddCurrentListAddsNothingTwiceButIsAChange) {
  PressOnOneServer(ServerListDialog::kAddCurrentList);
}

TEST_F(ServerListDialogTest, RequestAddsEachMasterServerOnceAndLeavesTheListUnchanged) {
  q3sim::Farm farm;
  ASSERT_TRUE(farm.Start());
  const int named = farm.AddServer(q3sim::DefaultServerConfig());
  const int unnamed = farm.AddServer(q3sim::DefaultServerConfig());
  farm.AddServer(q3sim::DefaultServerConfig("other", "q3dm1", 66));  // another protocol
  settings.masterServerPort = farm.OpenMaster();
  ASSERT_NE(settings.masterServerPort, 0);
  SetCachedName(farm.Address(named), "^2Cached");
  mainList.Add(Record("10.0.0.1", 27960));

  auto d = Open();
  EXPECT_EQ(d->windowTitle(), QStringLiteral("127.0.0.1:%1").arg(settings.masterServerPort));
  Press(*d, ServerListDialog::kRequest);
  Press(*d, ServerListDialog::kRequest);
  EXPECT_EQ(farm.GetMasterStats().requests, 2u);
  EXPECT_EQ(farm.GetMasterStats().lastRequest,
            std::string("\xff\xff\xff\xffgetservers 68 empty full\0", 29));
  EXPECT_EQ(Addresses(*d), (std::vector<std::string>{"10.0.0.1:27960", farm.Address(named),
                                                     farm.Address(unnamed)}));
  EXPECT_EQ(d->View().RowCount(), 3);
  const ServerList& list = d->View().Servers();
  EXPECT_EQ(list.At(1).name, "^2Cached");
  EXPECT_EQ(list.At(2).name, "-");
  EXPECT_EQ(list.At(2).ping, kNoPing);
  EXPECT_FALSE(list.At(2).queried);
  EXPECT_TRUE(d->ControlAs<QPushButton>(ServerListDialog::kRefresh)->isEnabled());

  // Fetched servers are not worth a question: the main window reloads the old file.
  EXPECT_FALSE(d->Changed());
  d->reject();  // Escape: Quit as well
  EXPECT_EQ(d->result(), 1);
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(FileText(), "file:1\n");
}

TEST_F(ServerListDialogTest, MoreMastersRenameRequestAndTheStatusSaysWhatEachGave) {
  q3sim::Farm farm;
  ASSERT_TRUE(farm.Start());
  const int a = farm.AddServer(q3sim::DefaultServerConfig());
  settings.masterServerPort = farm.OpenMaster();
  q3sim::MasterConfig silent;
  silent.silent = true;
  settings.moreMasters = farm.MasterAddress(farm.AddMaster(silent));
  auto d = Open();
  d->SetMasterWaits({200ms, 200ms});
  QPushButton* request = d->ControlAs<QPushButton>(ServerListDialog::kRequest);
  EXPECT_EQ(request->text(), QStringLiteral("Add from masters"));
  Press(*d, ServerListDialog::kRequest);
  EXPECT_EQ(Addresses(*d), (std::vector<std::string>{farm.Address(a)}));
  const std::string said = "2 masters: 1 server (" + settings.moreMasters + " no answer)";
  EXPECT_EQ(sink.text, "  " + said);
  EXPECT_EQ(request->toolTip().toStdString(), said);
  EXPECT_FALSE(d->Changed());
}

TEST_F(ServerListDialogTest, WindowKeepsBeingServedWhileTheMasterIsSlow) {
  q3sim::Farm farm;
  ASSERT_TRUE(farm.Start());
  farm.AddServer(q3sim::DefaultServerConfig());
  settings.masterServerPort = farm.OpenMaster();
  q3sim::MasterConfig master = farm.GetMasterConfig();
  master.delayMs = 400;
  farm.SetMasterConfig(master);
  auto d = Open();
  std::uint64_t repliesWhenTimerRan = 99;
  QTimer::singleShot(50, [&] { repliesWhenTimerRan = farm.GetMasterStats().replies; });
  Press(*d, ServerListDialog::kRequest);
  EXPECT_EQ(repliesWhenTimerRan, 0u);  // events were handled before the answer came
  EXPECT_EQ(d->View().Servers().Count(), 1);
}

TEST_F(ServerListDialogTest, AddTakesTheTypedAddressWithItsDefaultPort) {
  auto d = Open();
  for (const char* typed : {"10.0.0.5", " 10.0.0.5:27950 ", "10.0.0.5:abc"}) {
    Type(*d, typed);
    Press(*d, ServerListDialog::kAdd);
  }
  EXPECT_EQ(Addresses(*d), (std::vector<std::string>{"10.0.0.5:27960", "10.0.0.5:27950"}));
  EXPECT_EQ(d->View().RowCount(), 2);
  EXPECT_TRUE(d->Changed());
}

TEST_F(ServerListDialogTest, DeleteSelectedWithoutASelectionStillMakesQuitAsk) {
  auto d = PressOnOneServer(ServerListDialog::kDeleteSelected);
  prompts.answers.push_back(Answer::kNo);
  Press(*d, 1);
  ASSERT_EQ(prompts.asked, (std::vector<std::string>{"Save Current List ?"}));
  EXPECT_EQ(d->result(), 1);          // the main window reloads...
  EXPECT_EQ(FileText(), "file:1\n");  // ...the file as it was
}

TEST_F(ServerListDialogTest, DeleteKeyRemovesTheSelectedRows) {
  mainList.Add(Record("10.0.0.1", 27960));
  mainList.Add(Record("10.0.0.2", 27960));
  mainList.Add(Record("10.0.0.3", 27960));
  auto d = Open();
  d->show();
  ServerListView& view = d->View();
  for (int r = 0; r < view.RowCount(); ++r)
    if (view.ItemText(r, 5) != "10.0.0.2:27960") view.SetRowSelected(r, true);
  view.setFocus();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QApplication::sendEvent(&view, &press);
  EXPECT_EQ(Addresses(*d), (std::vector<std::string>{"10.0.0.2:27960"}));
  EXPECT_EQ(RowAddresses(*d), (std::vector<std::string>{"10.0.0.2:27960"}));
  EXPECT_TRUE(d->Changed());
  EXPECT_TRUE(d->isVisible());
}

TEST_F(ServerListDialogTest, DeleteSelectedRemovesARefreshedServerWhateverItsName) {
  q3sim::Farm farm;
  ASSERT_TRUE(farm.Start());
  // The cache keeps this name trimmed; the record keeps it as the server sent it.
  const int id = farm.AddServer(q3sim::DefaultServerConfig("Foo ", "q3dm17"));
  mainList.Add(Record("127.0.0.1", farm.Port(id)));
  auto d = Open();
  Press(*d, ServerListDialog::kRefresh);
  ASSERT_EQ(d->View().Servers().At(0).name, "Foo ");
  ASSERT_EQ(d->View().RowCount(), 1);
  d->View().SetRowSelected(0, true);
  Press(*d, ServerListDialog::kDeleteSelected);
  EXPECT_TRUE(Addresses(*d).empty());
  EXPECT_EQ(d->View().RowCount(), 0);
}

TEST_F(ServerListDialogTest, DeleteTimeoutRemovesOnlyServersSilentInTheLastRefresh) {
  ServerInfo silent = Record("10.0.0.1", 27960);
  silent.queried = true;
  ServerInfo answered = Record("10.0.0.2", 27960);
  answered.queried = true;
  answered.ping = 35;
  answered.info.push_back({"mapname", "q3dm17"});
  ServerInfo neverAsked = Record("10.0.0.3", 27960);
  mainList.Add(silent);
  mainList.Add(answered);
  mainList.Add(neverAsked);
  auto d = Open();
  Press(*d, ServerListDialog::kDeleteTimeout);
  EXPECT_EQ(Addresses(*d), (std::vector<std::string>{"10.0.0.2:27960", "10.0.0.3:27960"}));
  EXPECT_EQ(d->View().RowCount(), 2);
  EXPECT_TRUE(d->Changed());
  Press(*d, ServerListDialog::kDeleteTimeout);  // nothing left to remove: still a change
  EXPECT_TRUE(d->Changed());
}

TEST_F(ServerListDialogTest, YesStoresTheListAndCancelKeepsTheMainList) {
  mainList.Add(Record("10.0.0.1", 27960));
  {
    auto d = Open();
    Type(*d, "10.0.0.9:1234");
    Press(*d, ServerListDialog::kAdd);
    prompts.answers.push_back(Answer::kCancel);
    d->show();
    d->close();  // the close box is Quit too
    EXPECT_EQ(d->result(), 2);
    EXPECT_EQ(FileText(), "file:1\n");
  }
  {
    auto d = Open();
    Type(*d, "10.0.0.9:1234");
    Press(*d, ServerListDialog::kAdd);
    prompts.answers.push_back(Answer::kYes);
    Press(*d, 1);
    EXPECT_EQ(d->result(), 1);
    EXPECT_FALSE(d->Changed());
    EXPECT_EQ(FileText(), test::NewFileLines("10.0.0.1:27960\n10.0.0.9:1234\n"));
  }
  EXPECT_EQ(prompts.asked.size(), 2u);
}

TEST_F(ServerListDialogTest, AListThatCannotBeStoredKeepsTheEditorOpen) {
  settings.serverListPath = home.Dir() + "missing/server.vyk";
  auto d = Open();
  d->show();
  Press(*d, ServerListDialog::kAdd);
  prompts.answers.push_back(Answer::kYes);
  Press(*d, 1);
  EXPECT_TRUE(d->isVisible());
  EXPECT_TRUE(d->Changed());
  ASSERT_EQ(prompts.errors.size(), 1u);
  EXPECT_EQ(prompts.errors[0], "Unable to Write :\n" + settings.serverListPath);
}

TEST_F(ServerListDialogTest, SaveAsWritesTheChosenFileOnly) {
  mainList.Add(Record("10.0.0.1", 27960));
  auto d = Open();
  const std::string other = home.Dir() + "other.vyk";
  prompts.files.push_back(other);
  Press(*d, ServerListDialog::kSaveAs);
  ASSERT_EQ(prompts.requests.size(), 1u);
  EXPECT_TRUE(prompts.requests[0].save);
  EXPECT_EQ(prompts.requests[0].directory, ProgramDirectory());
  EXPECT_EQ(prompts.requests[0].filter, "Vyk Server File|*.vyk|All File|*.*|");
  EXPECT_EQ(ReadFile(other), test::NewFileLines("10.0.0.1:27960\n"));
  EXPECT_EQ(FileText(), "file:1\n");
  EXPECT_FALSE(d->Changed());
  Press(*d, ServerListDialog::kSaveAs);  // cancelled: nothing written
  EXPECT_EQ(prompts.requests.size(), 2u);
  EXPECT_TRUE(prompts.errors.empty());
}

TEST_F(ServerListDialogTest, RefreshQueriesEveryServerAndShowsThemAll) {
  q3sim::Farm farm;
  ASSERT_TRUE(farm.Start());
  const int id = farm.AddServer(q3sim::DefaultServerConfig("Arena", "q3dm17"));
  const int quiet = farm.AddServer(q3sim::DefaultServerConfig());
  farm.Modify(quiet, [](q3sim::ServerConfig& c) { c.silent = true; });
  settings.hideTimeOut = 1;    // a filtered rebuild would hide the silent one
  settings.queryAttempts = 1;  // one request each, retries aside
  mainList.Add(Record("127.0.0.1", farm.Port(id)));
  mainList.Add(Record("127.0.0.1", farm.Port(quiet)));
  auto d = Open(std::chrono::milliseconds(500));
  const QString caption = d->windowTitle();
  QStringList captions;
  QObject::connect(d.get(), &QWidget::windowTitleChanged, [&](const QString& t) { captions << t; });
  Press(*d, ServerListDialog::kRefresh);
  EXPECT_EQ(captions, (QStringList{QStringLiteral("Refresh ... please wait"), caption}));
  EXPECT_EQ(farm.Stats(id).requests, 1u);
  EXPECT_EQ(farm.Stats(quiet).requests, 1u);
  const ServerList& list = d->View().Servers();
  EXPECT_EQ(list.At(0).InfoValue("mapname"), "q3dm17");
  EXPECT_TRUE(list.At(1).IsTimedOut());
  EXPECT_EQ(d->View().RowCount(), 2);
  EXPECT_TRUE(d->ControlAs<QPushButton>(ServerListDialog::kRefresh)->isEnabled());
  EXPECT_FALSE(d->Changed());
  Press(*d, ServerListDialog::kDeleteTimeout);
  EXPECT_EQ(Addresses(*d), (std::vector<std::string>{farm.Address(id)}));
}

}  // namespace
}  // namespace vyk
