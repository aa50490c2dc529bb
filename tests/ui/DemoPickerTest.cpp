#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <filesystem>

#include "DialogFakes.h"
#include "TestHome.h"
#include "ui/dialogs/DemoPicker.h"

namespace vyk {
namespace {

using test::ReadFile;
using test::WriteFile;

class DemoPickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game = home.Dir() + "Quake3/";
    std::filesystem::create_directories(game + "BASEQ3/DEMOS");
    WriteFile(game + "quake3.68", "v68");
    WriteFile(game + "QUAKE3.exe", "active");
    settings.gamePath = game + "QUAKE3.exe";
  }

  test::TestHome home;
  test::RecordingStatus sink;
  test::RecordingStarter starter;
  test::ScriptedPrompts prompts;
  Settings settings;
  std::string game;
};

TEST_F(DemoPickerTest, ArgumentInCapitalsIsPlayedWithoutAnyWindow) {
  const std::string demo = game + "BASEQ3/DEMOS/DUEL.DM_68";
  WriteFile(demo, "demo");
  EXPECT_TRUE(PlayDemoArgument(settings, demo, starter));
  ASSERT_EQ(starter.starts.size(), 1u);
  EXPECT_EQ(starter.starts[0].file, "QUAKE3.exe");
  EXPECT_EQ(starter.starts[0].parameters, " +set fs_game BASEQ3 +demo DUEL.DM_68");
  EXPECT_EQ(starter.starts[0].directory, game);
  EXPECT_EQ(ReadFile(game + "QUAKE3.exe"), "v68");  // switched to the demo's protocol
  // Reading drops the blank the line starts with.
  EXPECT_EQ(ReadRawProfileString("DEBUG", "Lastrun"), "+set fs_game BASEQ3 +demo DUEL.DM_68");
  EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

TEST_F(DemoPickerTest, OtherArgumentsAreNoDemo) {
  EXPECT_FALSE(PlayDemoArgument(settings, game + "server.vyk", starter));
  EXPECT_FALSE(PlayDemoArgument(settings, "", starter));
  EXPECT_TRUE(IsDemoArgument("x.Dm_66"));
  EXPECT_TRUE(starter.starts.empty());
}

TEST_F(DemoPickerTest, RelativeArgumentIsTakenFromTheStartingDirectory) {
  WriteFile(game + "BASEQ3/DEMOS/cup.dm_68", "demo");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(game);
  const bool played = PlayDemoArgument(settings, "BASEQ3/DEMOS/cup.dm_68", starter).Ok();
  std::filesystem::current_path(previous);
  EXPECT_TRUE(played);
  ASSERT_EQ(starter.starts.size(), 1u);
  EXPECT_EQ(starter.starts[0].parameters, " +set fs_game BASEQ3 +demo cup.dm_68");
}

TEST_F(DemoPickerTest, ButtonPicksInTheGameDirectoryAndPlaysTheChoice) {
  prompts.files.push_back(game + "BASEQ3/DEMOS/final.dm_68");
  EXPECT_TRUE(PickAndPlayDemo(nullptr, settings, starter, &prompts));
  ASSERT_EQ(prompts.requests.size(), 1u);
  EXPECT_EQ(prompts.requests[0].directory, game);
  EXPECT_EQ(prompts.requests[0].filter, "quake 3 demo |*.DM_??|");
  EXPECT_FALSE(prompts.requests[0].save);
  ASSERT_EQ(starter.starts.size(), 1u);
  EXPECT_EQ(starter.starts[0].parameters, " +set fs_game BASEQ3 +demo final.dm_68");

  EXPECT_FALSE(PickAndPlayDemo(nullptr, settings, starter, &prompts));  // cancelled
  EXPECT_EQ(starter.starts.size(), 1u);
}

TEST(DemoFileDialog, ShowsDemosOfEveryLetterCase) {
  test::TestHome home;
  const std::string dir = home.Dir();
  for (const char* name : {"a.dm_68", "B.DM_66", "c.Dm_67", "d.dm_6", "notes.txt"})
    WriteFile(dir + name, "x");
  std::unique_ptr<QFileDialog> dialog(NewFileDialog(nullptr, dir, kDemoFilter, ""));
  EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
  ASSERT_EQ(dialog->nameFilters().size(), 1);
  EXPECT_TRUE(dialog->nameFilters()[0].endsWith(QStringLiteral("(*.DM_?\?)")));
  auto* model = dialog->findChild<QFileSystemModel*>();
  ASSERT_NE(model, nullptr);
  bool loaded = false;
  QObject::connect(model, &QFileSystemModel::directoryLoaded, [&] { loaded = true; });
  dialog->show();
  QElapsedTimer timer;
  timer.start();
  const QModelIndex root = model->index(QString::fromStdString(home.Path().string()));
  while ((!loaded || model->rowCount(root) < 3) && timer.elapsed() < 20000)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  QStringList shown;
  for (int r = 0; r < model->rowCount(root); ++r)
    shown << model->index(r, 0, root).data().toString();
  shown.sort();
  EXPECT_EQ(shown, (QStringList{QStringLiteral("B.DM_66"), QStringLiteral("a.dm_68"),
                                QStringLiteral("c.Dm_67")}));
  dialog->hide();
}

TEST(DemoFileDialog, FiltersTakeTheirQtForm) {
  EXPECT_EQ(
      NameFilters("Vyk Server File|*.vyk|All File|*.*|"),
      (QStringList{QStringLiteral("Vyk Server File (*.vyk)"), QStringLiteral("All File (*)")}));
  EXPECT_TRUE(NameFilters("").isEmpty());
}

}  // namespace
}  // namespace vyk
