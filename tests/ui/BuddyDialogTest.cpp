#include <gtest/gtest.h>

#include <QLineEdit>

#include "DialogFakes.h"
#include "TestHome.h"
#include "config/BuddyList.h"
#include "ui/dialogs/BuddyDialog.h"
#include "ui/widgets/SkinnedListCtrl.h"

namespace vyk {
namespace {

using namespace test;

class BuddyDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.buddyListPath = home.Dir() + "player.vyk";
    WriteFile(settings.buddyListPath, "Zed\nAmy\n");
    buddies.Load(settings.buddyListPath);
  }
  static void Add(BuddyDialog& d, const std::string& name) {
    d.ControlAs<QLineEdit>(BuddyDialog::kName)->setText(QString::fromLatin1(name));
    Press(d, BuddyDialog::kAdd);
  }
  static SkinnedListCtrl& List(BuddyDialog& d) {
    return *d.ControlAs<SkinnedListCtrl>(BuddyDialog::kList);
  }
  static std::vector<std::string> Rows(BuddyDialog& d) {
    std::vector<std::string> rows;
    for (int r = 0; r < List(d).RowCount(); ++r) rows.push_back(List(d).ItemText(r, 0));
    return rows;
  }
  std::string FileText() { return ReadFile(settings.buddyListPath); }

  test::TestHome home;
  Settings settings;
  BuddyList buddies;
  test::ScriptedPrompts prompts;
};

TEST_F(BuddyDialogTest, OpensWithSortedRowsOfOneNameColumn) {
  BuddyDialog d(settings, buddies, nullptr, &prompts);
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Edit Buddy"));
  EXPECT_EQ(Rows(d), (std::vector<std::string>{"Amy", "Zed"}));
  EXPECT_EQ(List(d).RowData(0), 1);  // each row carries its entry's index
}

TEST_F(BuddyDialogTest, AddStripsColourCodesAndKeepsDuplicates) {
  BuddyDialog d(settings, buddies, nullptr, &prompts);
  Add(d, "^1Bob");
  EXPECT_EQ(buddies[2].name, "Bob");
  EXPECT_TRUE(d.ControlAs<QLineEdit>(BuddyDialog::kName)->text().isEmpty());
  EXPECT_TRUE(d.Changed());
  Add(d, "Bob");
  EXPECT_EQ(Rows(d), (std::vector<std::string>{"Amy", "Bob", "Bob", "Zed"}));
  EXPECT_TRUE(prompts.told.empty());
  EXPECT_EQ(FileText(), "Zed\nAmy\n");  // nothing stored yet
}

TEST_F(BuddyDialogTest, NameOfColourCodesOnlyIsRefusedWithTheMessage) {
  BuddyDialog d(settings, buddies, nullptr, &prompts);
  Add(d, "^1^2");
  ASSERT_EQ(prompts.told.size(), 1u);
  EXPECT_EQ(prompts.told[0],
            "You must enter a name in the edit box\n these name cannot contain color or other "
            "tag.");
  EXPECT_EQ(buddies.Count(), 2);
  EXPECT_FALSE(d.Changed());
  EXPECT_EQ(d.ControlAs<QLineEdit>(BuddyDialog::kName)->text(), QStringLiteral("^1^2"));
}

TEST_F(BuddyDialogTest, RemoveTakesEverySelectedRowEvenEqualOnes) {
  BuddyDialog d(settings, buddies, nullptr, &prompts);
  Press(d, BuddyDialog::kRemove);  // nothing selected: nothing happens
  EXPECT_FALSE(d.Changed());
  Add(d, "Bob");
  Add(d, "Bob");
  List(d).SetRowSelected(1, true);
  List(d).SetRowSelected(2, true);
  Press(d, BuddyDialog::kRemove);
  EXPECT_EQ(Rows(d), (std::vector<std::string>{"Amy", "Zed"}));
  EXPECT_EQ(buddies.Count(), 2);
  List(d).SetRowSelected(1, true);
  Press(d, BuddyDialog::kRemove);
  EXPECT_EQ(buddies.Count(), 1);
  EXPECT_EQ(buddies[0].name, "Amy");
}

TEST_F(BuddyDialogTest, CancelAndTheCloseBoxDropWhatWasNotSaved) {
  {
    BuddyDialog d(settings, buddies, nullptr, &prompts);
    Add(d, "Bob");
    Press(d, 2);
    EXPECT_EQ(d.result(), 2);
    EXPECT_EQ(buddies.Count(), 2);
  }
  {
    BuddyDialog d(settings, buddies, nullptr, &prompts);
    d.show();
    Add(d, "Bob");
    Press(d, BuddyDialog::kSave);
    EXPECT_FALSE(d.Changed());
    EXPECT_EQ(FileText(), test::NewFileLines("Zed\nAmy\nBob\n"));
    Add(d, "Eve");
    d.close();
    EXPECT_EQ(d.result(), 2);
    EXPECT_EQ(buddies.Count(), 3);  // Bob was saved, Eve was not
    EXPECT_EQ(buddies[2].name, "Bob");
  }
}

TEST_F(BuddyDialogTest, OkStoresOnlyWhenChanged) {
  {
    WriteFile(settings.buddyListPath, "  Zed \n\nAmy\n");
    BuddyDialog d(settings, buddies, nullptr, &prompts);
    Press(d, 1);
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(FileText(), "  Zed \n\nAmy\n");  // untouched
  }
  {
    BuddyDialog d(settings, buddies, nullptr, &prompts);
    Add(d, "Bob");
    Press(d, 1);
    EXPECT_EQ(FileText(), test::NewFileLines("Zed\nAmy\nBob\n"));
  }
}

}  // namespace
}  // namespace vyk
