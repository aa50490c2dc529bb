#include <gtest/gtest.h>

#include <QLineEdit>

#include "DialogFakes.h"
#include "Farm.h"
#include "TestHome.h"
#include "config/SummaryLine.h"
#include "platform/AsciiCase.h"
#include "core/ServerCache.h"
#include "core/ServerList.h"
#include "ui/dialogs/DirectRunDialog.h"

namespace vyk {
namespace {

using test::Press;
using test::ReadFile;

class DirectRunDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.serverListPath = home.Dir() + "server.vyk";
    settings.gamePath = home.Dir() + "Quake3/quake3.x86_64";
  }
  std::unique_ptr<DirectRunDialog> Open(const std::string& alias = "") {
    return std::make_unique<DirectRunDialog>(settings, servers, alias, nullptr, &starter,
                                             &clipboard);
  }
  static QLineEdit* Edit(DirectRunDialog& d, int id) { return d.ControlAs<QLineEdit>(id); }
  static std::string Text(DirectRunDialog& d, int id) { return Edit(d, id)->text().toStdString(); }
  static void Type(DirectRunDialog& d, int id, const std::string& text) {
    Edit(d, id)->setText(QString::fromLatin1(text));
  }
  std::string Farmed(int id) { return farm.Address(id); }

  test::TestHome home;
  Settings settings;
  ServerList servers;
  test::RecordingStarter starter;
  test::RecordingClipboard clipboard;
  q3sim::Farm farm;
};

TEST_F(DirectRunDialogTest, OpensWithTheLastServerItsPasswordAndTheParamSetting) {
  settings.param = "+set cg_fov 100";
  WriteCacheValue("0.0.0.0:27960", "pass", "zero");
  {
    auto d = Open();
    EXPECT_EQ(Text(*d, DirectRunDialog::kAddress), "0.0.0.0:27960");
    EXPECT_EQ(Text(*d, DirectRunDialog::kPassword), "zero");
    EXPECT_EQ(Text(*d, DirectRunDialog::kParameters), "+set cg_fov 100");
    EXPECT_EQ(Text(*d, DirectRunDialog::kInfo), "");
    EXPECT_EQ(d->windowTitle(), QString());
  }
  // A stored address without a port leaves the field empty, its password still comes.
  WriteCacheValue("DIRECT RUN", "LastSERVER", "10.0.0.5");
  WriteCacheValue("DIRECT RUN", "LastParam", "+set never 1");
  WriteCacheValue("10.0.0.5", "pass", "five");
  auto d = Open();
  EXPECT_EQ(Text(*d, DirectRunDialog::kAddress), "");
  EXPECT_EQ(Text(*d, DirectRunDialog::kPassword), "five");
  EXPECT_EQ(Text(*d, DirectRunDialog::kParameters), "+set cg_fov 100");
}

TEST_F(DirectRunDialogTest, CancelAndTheCloseBoxStoreTheFieldsAsTyped) {
  {
    auto d = Open();
    Type(*d, DirectRunDialog::kAddress, " 10.0.0.5:27961 ");
    Type(*d, DirectRunDialog::kPassword, "secret");
    Type(*d, DirectRunDialog::kParameters, "+set a 1");
    Press(*d, 2);
    EXPECT_EQ(d->result(), 2);
  }
  EXPECT_EQ(ReadCacheValue("DIRECT RUN", "LastSERVER", ""), "10.0.0.5:27961");
  EXPECT_EQ(ReadCacheValue("DIRECT RUN", "LastParam", ""), "+set a 1");
  EXPECT_EQ(ReadCacheValue("10.0.0.5:27961", "pass", ""), "secret");
  {
    auto d = Open();
    EXPECT_EQ(Text(*d, DirectRunDialog::kAddress), "10.0.0.5:27961");
    EXPECT_EQ(Text(*d, DirectRunDialog::kPassword), "secret");
    EXPECT_EQ(Text(*d, DirectRunDialog::kParameters), "");  // LastParam is never read back
    d->show();
    Type(*d, DirectRunDialog::kPassword, "");
    d->close();
    EXPECT_EQ(d->result(), 2);
  }
  EXPECT_EQ(ReadCacheValue("10.0.0.5:27961", "pass", "unset"), "");  // forgotten
  EXPECT_TRUE(starter.starts.empty());
  EXPECT_EQ(servers.Count(), 0);
}

TEST_F(DirectRunDialogTest, ConnectCarriesTheParametersTwiceAndAddsTheServer) {
  ASSERT_TRUE(farm.Start());
  const int id = farm.AddServer(q3sim::DefaultServerConfig());
  settings.param = "+set cg_fov 100";
  settings.addOnDirectRun = 1;
  auto d = Open("^1Neo");
  Type(*d, DirectRunDialog::kAddress, Farmed(id));
  Type(*d, DirectRunDialog::kPassword, "pw");
  Press(*d, 1);

  EXPECT_EQ(d->result(), 1);
  const std::string expected =
      "+connect " + Farmed(id) + " +set cg_fov 100 +name \"^1Neo\" +password pw +set cg_fov 100";
  ASSERT_EQ(starter.starts.size(), 1u);
  EXPECT_EQ(starter.starts[0].parameters, expected);
  EXPECT_EQ(starter.starts[0].file, "quake3.x86_64");
  EXPECT_EQ(starter.starts[0].directory, home.Dir() + "Quake3/");
  EXPECT_EQ(ReadRawProfileString("DEBUG", "Lastrun"), expected);
  EXPECT_EQ(GetConnectCount(Farmed(id)), 1);
  EXPECT_EQ(farm.Stats(id).requests, 1u);  // queried once; its answer is not used
  EXPECT_EQ(d->AddedAddress(), Farmed(id));
  ASSERT_EQ(servers.Count(), 1);
  EXPECT_EQ(servers.At(0).Address(), Farmed(id));
  EXPECT_EQ(ReadFile(settings.serverListPath), test::NewFileLines(Farmed(id) + "\n"));
  EXPECT_EQ(ReadCacheValue("DIRECT RUN", "LastSERVER", ""), Farmed(id));
  EXPECT_EQ(ReadCacheValue(Farmed(id), "pass", ""), "pw");
}

TEST_F(DirectRunDialogTest, ConnectWithoutAddingEndsInOneBlankForEmptyParameters) {
  ASSERT_TRUE(farm.Start());
  const int id = farm.AddServer(q3sim::DefaultServerConfig());
  settings.addOnDirectRun = 0;
  // The game's file differs from the setting in case only: that file is started.
  std::filesystem::create_directories(home.Path() / "Quake3");
  test::WriteFile(home.Dir() + "Quake3/Quake3.X86_64", "game");
  auto d = Open();
  Type(*d, DirectRunDialog::kAddress, Farmed(id));
  Type(*d, DirectRunDialog::kPassword, "");
  Press(*d, 1);
  ASSERT_EQ(starter.starts.size(), 1u);
#ifdef _WIN32
  // One file there, whichever case names it.
  EXPECT_TRUE(EqualsNoCase(starter.starts[0].file, "Quake3.X86_64"));
#else
  EXPECT_EQ(starter.starts[0].file, "Quake3.X86_64");
#endif
  EXPECT_EQ(starter.starts[0].parameters, "+connect " + Farmed(id) + " ");
  EXPECT_EQ(d->AddedAddress(), "");
  EXPECT_EQ(servers.Count(), 0);
  EXPECT_EQ(ReadFile(settings.serverListPath), "");
}

TEST_F(DirectRunDialogTest, AddToListAddsOnceSavesAndKeepsTheTypedText) {
  servers.AddUnique(ServerInfo("10.0.0.5", 27960));
  struct Case {
    std::string typed;
    std::string address;
  };
  for (const Case& c :
       {Case{"10.0.0.5:27960", "10.0.0.5:27960"}, Case{"10.0.0.5", "10.0.0.5:27960"},
        Case{"10.0.0.8:70000", "10.0.0.8:4464"}}) {
    auto d = Open();
    Type(*d, DirectRunDialog::kAddress, c.typed);
    Press(*d, DirectRunDialog::kAddToList);
    EXPECT_EQ(d->result(), DirectRunDialog::kAddToList);
    EXPECT_EQ(d->AddedAddress(), c.typed);
    EXPECT_EQ(servers.At(servers.Count() - 1).Address(), c.address) << c.typed;
  }
  EXPECT_EQ(servers.Count(), 2);  // the first two were already listed
  EXPECT_EQ(ReadFile(settings.serverListPath), test::NewFileLines("10.0.0.5:27960\n10.0.0.8:4464\n"));
  // Add to List does not store the fields.
  EXPECT_EQ(ReadCacheValue("DIRECT RUN", "LastSERVER", "none"), "none");
  EXPECT_TRUE(starter.starts.empty());
}

TEST_F(DirectRunDialogTest, GetInfoShowsTheSummaryAndCopyInfoCopiesIt) {
  ASSERT_TRUE(farm.Start());
  const int id = farm.AddServer(q3sim::DefaultServerConfig("^1Loopback ^7Arena", "q3dm6"));
  auto d = Open();
  Type(*d, DirectRunDialog::kAddress, Farmed(id));
  Press(*d, DirectRunDialog::kGetInfo);
  const std::string info = Text(*d, DirectRunDialog::kInfo);
  EXPECT_NE(info.find(Farmed(id)), std::string::npos) << info;
  EXPECT_NE(info.find("q3dm6"), std::string::npos) << info;
  EXPECT_EQ(GetCachedName(Farmed(id)), "^1Loopback ^7Arena");
  Press(*d, DirectRunDialog::kCopyInfo);
  ASSERT_EQ(clipboard.texts.size(), 1u);
  EXPECT_EQ(clipboard.texts[0], info);
  EXPECT_EQ(servers.Count(), 0);  // the looked-up record is not kept
}

}  // namespace
}  // namespace vyk
