#include <gtest/gtest.h>

#include <QComboBox>
#include <filesystem>

#include "DialogFakes.h"
#include "TestHome.h"
#include "ui/dialogs/ProtocolDialog.h"

namespace vyk {
namespace {

using test::Press;
using test::ReadFile;
using test::WriteFile;

class ProtocolDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game = home.Dir() + "Quake3/";
    std::filesystem::create_directories(game);
    settings.gamePath = game + "QUAKE3.exe";
    InstallDialogPrompts(&prompts);
  }
  void TearDown() override { InstallDialogPrompts(nullptr); }
  std::vector<std::string> Entries(ProtocolDialog& d) {
    auto* combo = d.ControlAs<QComboBox>(ProtocolDialog::kVersion);
    std::vector<std::string> out;
    for (int i = 0; i < combo->count(); ++i) out.push_back(combo->itemText(i).toStdString());
    return out;
  }

  test::TestHome home;
  test::RecordingStatus sink;
  test::ScriptedPrompts prompts;
  Settings settings;
  std::string game;
};

TEST_F(ProtocolDialogTest, ListsTheVersionsSortedWithTheLastSelected) {
  WriteFile(game + "quake3.68", "v68");
  WriteFile(game + "quake3.66", "v66");
  WriteFile(game + "QUAKE3.exe", "active");
  WriteFile(game + "quake3.cfg", "cfg");
  ProtocolDialog d(settings);
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Switch Protocol"));
  EXPECT_EQ(Entries(d), (std::vector<std::string>{"quake3.66", "quake3.68", "QUAKE3.exe"}));
  EXPECT_EQ(d.ChosenEntry(), "QUAKE3.exe");

  // The active executable chosen as its own source stays whole.
  Press(d, 1);
  EXPECT_EQ(d.result(), 1);
  EXPECT_EQ(ReadFile(game + "QUAKE3.exe"), "active");
  EXPECT_TRUE(prompts.errors.empty());
}

TEST_F(ProtocolDialogTest, OkCopiesTheChosenVersionOverTheActiveExecutable) {
  WriteFile(game + "quake3.66", "v66");
  WriteFile(game + "quake3.68", "v68");
  WriteFile(game + "QUAKE3.exe", "active");
  ProtocolDialog d(settings);
  d.ControlAs<QComboBox>(ProtocolDialog::kVersion)->setCurrentIndex(0);
  Press(d, 1);
  EXPECT_EQ(d.result(), 1);
  EXPECT_EQ(ReadFile(game + "QUAKE3.exe"), "v66");
  EXPECT_EQ(ReadFile(game + "quake3.66"), "v66");
  EXPECT_TRUE(prompts.errors.empty());
}

TEST_F(ProtocolDialogTest, EmptyListSwitchesToNothingAndSaysSoButClosesWithOk) {
  ProtocolDialog d(settings);
  EXPECT_TRUE(Entries(d).empty());
  Press(d, 1);
  EXPECT_EQ(d.result(), 1);
  ASSERT_EQ(prompts.errors.size(), 1u);
  EXPECT_EQ(prompts.errors[0], "Unable to find :\n" + game + "quake3.");
}

}  // namespace
}  // namespace vyk
