#include <gtest/gtest.h>

#include <QLineEdit>

#include "DialogFakes.h"
#include "TestHome.h"
#include "UiTestUtil.h"
#include "config/AliasList.h"
#include "core/ColourCodes.h"
#include "ui/dialogs/AliasDialog.h"
#include "ui/widgets/ColourComboBox.h"
#include "ui/widgets/ColourStatic.h"

namespace vyk {
namespace {

using namespace test;

class AliasDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.aliasListPath = home.Dir() + "Alias.vyk";
    // A hand-written file: rewriting it would tidy its blank and padded lines.
    WriteFile(settings.aliasListPath, "Neo\n\n  ^1Trinity  \n");
    aliases.Load(settings.aliasListPath);
  }
  std::string FileText() { return ReadFile(settings.aliasListPath); }
  std::string LastAlias() { return ReadRawProfileString("info", "LastAlias"); }
  static void Type(AliasDialog& d, const std::string& text) {
    d.ControlAs<ColourComboBox>(AliasDialog::kCombo)
        ->lineEdit()
        ->setText(QString::fromLatin1(text));
  }

  test::TestHome home;
  Settings settings;
  AliasList aliases;
  const std::string original = "Neo\n\n  ^1Trinity  \n";
};

TEST_F(AliasDialogTest, OpensWithTheChosenAliasAsTextAndNoItemSelected) {
  aliases.ChooseAlias(aliases.FindAlias("^1Trinity"));
  AliasDialog d(settings, aliases);
  auto* combo = d.ControlAs<ColourComboBox>(AliasDialog::kCombo);
  EXPECT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(d.CurrentText(), "^1Trinity");
  EXPECT_EQ(d.ControlAs<ColourStatic>(AliasDialog::kPreview)->Text(), "^1Trinity");
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Alias"));
}

TEST_F(AliasDialogTest, NewAliasWithColourCodesIsAddedChosenAndStored) {
  AliasDialog d(settings, aliases);
  Type(d, "^1Neo");
  EXPECT_EQ(d.ControlAs<ColourStatic>(AliasDialog::kPreview)->Text(), "^1Neo");
  Press(d, 1);
  EXPECT_EQ(d.result(), 1);
  EXPECT_EQ(aliases.Count(), 3);
  EXPECT_EQ(aliases.ChosenAlias().name, "^1Neo");
  EXPECT_EQ(FileText(), test::NewFileLines("Neo\n^1Trinity\n^1Neo\n"));
  EXPECT_EQ(LastAlias(), "^1Neo");

  AliasDialog again(settings, aliases);
  Type(again, "neo");  // letter case makes another alias
  Press(again, 1);
  EXPECT_EQ(aliases.Count(), 4);
  EXPECT_EQ(aliases.ChosenAlias().name, "neo");
}

TEST_F(AliasDialogTest, KnownAliasOrEmptyTextChangesOnlyTheChoice) {
  {
    AliasDialog d(settings, aliases);
    auto* combo = d.ControlAs<ColourComboBox>(AliasDialog::kCombo);
    combo->setCurrentIndex(combo->findText(QStringLiteral("^1Trinity")));
    EXPECT_EQ(d.ControlAs<ColourStatic>(AliasDialog::kPreview)->Text(), "^1Trinity");
    Press(d, 1);
    EXPECT_EQ(aliases.ChosenAlias().name, "^1Trinity");
    EXPECT_EQ(LastAlias(), "^1Trinity");
    EXPECT_EQ(FileText(), original);
  }
  {
    AliasDialog d(settings, aliases);
    Type(d, "");
    Press(d, 1);
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(aliases.Chosen(), -1);
    EXPECT_EQ(LastAlias(), "");
    EXPECT_EQ(FileText(), original);
    EXPECT_EQ(aliases.Count(), 2);
  }
}

TEST_F(AliasDialogTest, DelRemovesStoresAndStaysOpenWhateverClosesIt) {
  aliases.ChooseAlias(0);
  AliasDialog d(settings, aliases);
  d.show();
  Type(d, "Neo");
  Press(d, AliasDialog::kDel);
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(aliases.Count(), 1);
  EXPECT_EQ(aliases.Chosen(), -1);
  EXPECT_EQ(FileText(), test::NewFileLines("^1Trinity\n"));
  EXPECT_EQ(LastAlias(), "");
  EXPECT_EQ(d.ControlAs<ColourComboBox>(AliasDialog::kCombo)->count(), 1);
  Press(d, 2);
  EXPECT_EQ(d.result(), 2);
  EXPECT_EQ(aliases.Count(), 1);  // Cancel undoes nothing
}

TEST_F(AliasDialogTest, DelOfAnUnknownNameStillClearsTheChoiceAndRewritesTheFile) {
  aliases.ChooseAlias(0);
  AliasDialog d(settings, aliases);
  Type(d, "Morpheus");
  Press(d, AliasDialog::kDel);
  EXPECT_EQ(aliases.Count(), 2);
  EXPECT_EQ(aliases.Chosen(), -1);
  EXPECT_EQ(LastAlias(), "");
  EXPECT_EQ(FileText(), test::NewFileLines("Neo\n^1Trinity\n"));
}

TEST_F(AliasDialogTest, PreviewDrawsTheColourCodes) {
  settings.bgColor = MakeColor(0, 0, 0);
  AliasDialog d(settings, aliases);
  Type(d, "^1WWWW^4WWWW");
  auto* preview = d.ControlAs<ColourStatic>(AliasDialog::kPreview);
  const QImage img = preview->grab().toImage();
  EXPECT_GT(test::CountColour(img, img.rect(), kColourCodePalette[1]), 0);
  EXPECT_GT(test::CountColour(img, img.rect(), kColourCodePalette[4]), 0);
}

}  // namespace
}  // namespace vyk
