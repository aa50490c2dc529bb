// The main window's dialog buttons, pressed for real: each dialog runs modally and the
// test acts in it once it is up, as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "DialogFakes.h"
#include "TestHome.h"
#include "core/ServerCache.h"
#include "ui/MainDialog.h"
#include "ui/ServerListView.h"
#include "ui/dialogs/AliasDialog.h"
#include "ui/dialogs/DirectRunDialog.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/ServerListDialog.h"
#include "ui/widgets/ColourComboBox.h"

namespace vyk {
namespace {

using test::Press;
using test::ReadFile;
using test::WriteFile;

// Runs act on the modal widget of type T as soon as it is up; sets *seen when it was.
template <class T>
void WhenOpen(std::function<void(T&)> act, bool* seen, int tries = 200) {
  QTimer::singleShot(tries == 200 ? 0 : 25, [act, seen, tries] {
    if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
      *seen = true;
      act(*w);
    } else if (tries > 0) {
      WhenOpen<T>(act, seen, tries - 1);
    } else if (QWidget* other = QApplication::activeModalWidget()) {
      other->close();  // the wrong window: let the test fail rather than hang
    }
  });
}

class MainDialogButtonsTest : public ::testing::Test {
 protected:
  void Open() {
    LoadSettings(settings);
    settings.minimize = 0;
    main = std::make_unique<MainDialog>(settings);
  }
  // The window over a server list file of one server.
  void OpenOnOneServer() {
    WriteFile(home.Dir() + "server.vyk", "10.0.0.1:27960\n");
    Open();
  }
  std::string Title() { return main->windowTitle().toStdString(); }
  // The main list was reloaded: it holds and shows two servers, none current.
  void ExpectTwoServersNoneCurrent() {
    EXPECT_EQ(main->ServerView().Servers().Count(), 2);
    EXPECT_EQ(main->ServerView().RowCount(), 2);
    EXPECT_EQ(main->CurrentServer(), -1);
  }

  test::TestHome home;
  Settings settings;
  std::unique_ptr<MainDialog> main;
  bool seen = false;
};

TEST_F(MainDialogButtonsTest, AliasUpdatesTheTitleAfterwards) {
  Open();
  WhenOpen<AliasDialog>(
      [](AliasDialog& d) {
        d.ControlAs<ColourComboBox>(AliasDialog::kCombo)
            ->lineEdit()
            ->setText(QStringLiteral("^1Neo"));
        Press(d, 1);
      },
      &seen);
  main->OnCommand(MainDialog::kAlias);
  EXPECT_TRUE(seen);
  EXPECT_EQ(main->Aliases().ChosenAlias().name, "^1Neo");
  EXPECT_EQ(Title(), "Vyk Finder - Neo - ");
}

TEST_F(MainDialogButtonsTest, OptionsOkReloadsTheServersAndCancelDoesNot) {
  OpenOnOneServer();
  main->SelectServer(0);
  // A file changed behind the window's back shows whether the list was reloaded.
  WriteFile(home.Dir() + "server.vyk", "10.0.0.1:27960\n10.0.0.2:27960\n");
  WhenOpen<OptionsDialog>([](OptionsDialog& d) { d.reject(); }, &seen);
  main->OnCommand(MainDialog::kOption);
  EXPECT_TRUE(seen);
  EXPECT_EQ(main->ServerView().Servers().Count(), 1);
  EXPECT_EQ(main->CurrentServer(), 0);

  seen = false;
  WhenOpen<OptionsDialog>([](OptionsDialog& d) { Press(d, 1); }, &seen);
  main->OnCommand(MainDialog::kOption);
  EXPECT_TRUE(seen);
  ExpectTwoServersNoneCurrent();
}

TEST_F(MainDialogButtonsTest, ServerEditorStoredOnQuitIsReloaded) {
  OpenOnOneServer();
  main->SelectServer(0);
  std::string asked;
  WhenOpen<ServerListDialog>(
      [&asked](ServerListDialog& d) {
        d.ControlAs<QLineEdit>(ServerListDialog::kAddress)->setText(QStringLiteral("10.0.0.2"));
        Press(d, ServerListDialog::kAdd);
        bool boxSeen = false;
        WhenOpen<QMessageBox>(
            [&asked](QMessageBox& box) {
              asked = box.windowTitle().toStdString() + "|" + box.text().toStdString();
              box.button(QMessageBox::Yes)->click();
            },
            &boxSeen);
        Press(d, 1);
      },
      &seen);
  main->OnCommand(MainDialog::kServer);
  EXPECT_TRUE(seen);
  EXPECT_EQ(asked, "Vyk Finder|Save Current List ?");
  EXPECT_EQ(ReadFile(settings.serverListPath), test::NewFileLines("10.0.0.1:27960\n10.0.0.2:27960\n"));
  ExpectTwoServersNoneCurrent();
}

TEST_F(MainDialogButtonsTest, ServerEditorCancelledKeepsTheMainList) {
  OpenOnOneServer();
  test::ScriptedPrompts prompts;  // answers Cancel
  InstallDialogPrompts(&prompts);
  WhenOpen<ServerListDialog>(
      [](ServerListDialog& d) {
        Press(d, ServerListDialog::kDeleteSelected);
        d.reject();
      },
      &seen);
  // A file changed behind the window's back shows whether the list was reloaded.
  WriteFile(home.Dir() + "server.vyk", "10.0.0.7:27960\n");
  main->OnCommand(MainDialog::kServer);
  InstallDialogPrompts(nullptr);
  EXPECT_TRUE(seen);
  EXPECT_EQ(prompts.asked, (std::vector<std::string>{"Save Current List ?"}));
  ASSERT_EQ(main->ServerView().Servers().Count(), 1);
  EXPECT_EQ(main->ServerView().Servers().At(0).Address(), "10.0.0.1:27960");
}

TEST_F(MainDialogButtonsTest, DirectRunOffersTheCurrentServerAndSelectsTheAddedOne) {
  OpenOnOneServer();
  main->SelectServer(0);
  std::string offered;
  WhenOpen<DirectRunDialog>(
      [&offered](DirectRunDialog& d) {
        offered = d.ControlAs<QLineEdit>(DirectRunDialog::kAddress)->text().toStdString();
        d.ControlAs<QLineEdit>(DirectRunDialog::kAddress)
            ->setText(QStringLiteral("10.0.0.2:27961"));
        Press(d, DirectRunDialog::kAddToList);
      },
      &seen);
  main->OnCommand(MainDialog::kDirectRun);
  EXPECT_TRUE(seen);
  EXPECT_EQ(offered, "10.0.0.1:27960");
  ServerListView& view = main->ServerView();
  ASSERT_EQ(view.Servers().Count(), 2);
  const std::vector<int> selected = view.SelectedRows();
  ASSERT_FALSE(selected.empty());
  EXPECT_EQ(view.ItemText(selected.back(), 5), "10.0.0.2:27961");
  EXPECT_EQ(ReadFile(settings.serverListPath), test::NewFileLines("10.0.0.1:27960\n10.0.0.2:27961\n"));
}

}  // namespace
}  // namespace vyk
