#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <memory>

#include "PropertyUiTestUtil.h"
#include "TestHome.h"
#include "UiTestUtil.h"
#include "config/OptionsModel.h"
#include "platform/ProfileFile.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/widgets/CResizeCtrl.h"

namespace vyk {
namespace {

using test::ClickValue;
using test::Type;

struct Warning {
  std::string text, caption;
  bool operator==(const Warning&) const = default;
};

class OptionsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.textColor = MakeColor(180, 180, 180);
    dialog_ = std::make_unique<OptionsDialog>(settings_);
    list_ = dialog_->List();
    ASSERT_NE(list_, nullptr);
    PropertyDialogs fake;
    fake.warn = [this](QWidget*, const std::string& text, const std::string& caption) {
      warnings_.push_back({text, caption});
    };
    fake.chooseColour = [this](QWidget*, Color& c) {
      ++colourRuns_;
      if (!colourAnswer_) return false;
      c = *colourAnswer_;
      return true;
    };
    list_->SetDialogs(fake);
    dialog_->show();
  }

  std::string Stored(const std::string& section, const std::string& key) {
    return ProfileFile::Read(ConfigFilePath(), section, key).value_or("<absent>");
  }

  QLineEdit* EditorEdit() { return qobject_cast<QLineEdit*>(test::VisibleEditor(*list_)); }

  test::TestHome home_;
  Settings settings_;
  std::unique_ptr<OptionsDialog> dialog_;
  PropertyList* list_ = nullptr;
  std::vector<Warning> warnings_;
  std::optional<Color> colourAnswer_;
  int colourRuns_ = 0;
};

TEST_F(OptionsDialogTest, IsBuiltFromItsTemplateWithTheRowsInTheSettingsColours) {
  EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Configuration"));
  EXPECT_EQ(dialog_->Control(1037), list_);
  EXPECT_EQ(dialog_->ControlAs<QPushButton>(1)->text(), QStringLiteral("OK"));
  EXPECT_EQ(dialog_->ControlAs<QPushButton>(2)->text(), QStringLiteral("Cancel"));
  EXPECT_EQ(list_->Rows().Count(), 38);
  EXPECT_EQ(list_->verticalScrollBar()->maximum(), 38);
  EXPECT_EQ(list_->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  for (const PropertyItem& item : list_->Rows().Items())
    EXPECT_EQ(item.textColor, settings_.textColor) << item.label;
  std::int32_t port = 0;
  EXPECT_TRUE(list_->Rows().GetInt("port", port));
  EXPECT_EQ(port, 27950);
  EXPECT_GT(list_->ShownCount(), 5);
  EXPECT_LT(list_->ShownCount(), 32);  // the list scrolls
}

TEST_F(OptionsDialogTest, ANumberOutsideItsBoundsIsRefusedWithAMessageAndOkStoresTheOldOne) {
  ClickValue(*list_, "Maximum Thread");
  QLineEdit* edit = EditorEdit();
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->text(), QStringLiteral("16"));
  EXPECT_EQ(edit->selectedText(), QStringLiteral("16"));  // all selected: typing replaces it
  Type(edit, QStringLiteral("65"));
  EXPECT_EQ(edit->text(), QStringLiteral("65"));
  ClickValue(*list_, "Text Color");  // clicking elsewhere commits
  EXPECT_EQ(warnings_,
            (std::vector<Warning>{{"Please enter a number between 1 and 64", "Invalid Value"}}));
  EXPECT_EQ(colourRuns_, 1);  // the click goes on after the message
  std::int32_t threads = 0;
  list_->Rows().GetInt("Maximum Thread", threads);
  EXPECT_EQ(threads, 16);

  dialog_->ControlAs<QPushButton>(1)->click();
  EXPECT_EQ(dialog_->result(), 1);
  EXPECT_EQ(Stored("info", "MaxThread"), "16");
  EXPECT_EQ(settings_.maxThread, 16);
}

TEST_F(OptionsDialogTest, BoundsIncludeTheirEndsAndNumberEditorsTakeDigitsOnly) {
  ClickValue(*list_, "Maximum Ping");
  QLineEdit* edit = EditorEdit();
  ASSERT_NE(edit, nullptr);
  Type(edit, QStringLiteral("-x0 "));
  EXPECT_EQ(edit->text(), QStringLiteral("0"));
  ClickValue(*list_, "port");
  EXPECT_TRUE(warnings_.empty());
  std::int32_t ping = -1;
  list_->Rows().GetInt("Maximum Ping", ping);
  EXPECT_EQ(ping, 0);

  edit = EditorEdit();
  ASSERT_NE(edit, nullptr);
  Type(edit, QStringLiteral("65536"));
  ClickValue(*list_, "port");
  ASSERT_EQ(warnings_.size(), 1u);
  EXPECT_EQ(warnings_[0].text, "Please enter a number between 1 and 65535");
  edit = EditorEdit();
  Type(edit, QStringLiteral("65535"));
  dialog_->ControlAs<QPushButton>(1)->click();  // OK with the editor still open
  EXPECT_EQ(warnings_.size(), 1u);
  EXPECT_EQ(settings_.masterServerPort, 65535);
  EXPECT_EQ(settings_.maxPing, 0);
}

TEST_F(OptionsDialogTest, TextEditorsCommitOnOkAndParametersGetOneBlank) {
  ClickValue(*list_, "Parameters");
  QLineEdit* edit = EditorEdit();
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->property("controlId").toInt(), 1001);
  EXPECT_EQ(edit->parentWidget()->parentWidget(), list_);  // a child of the list's client area
  EXPECT_EQ(edit->geometry(), list_->ValueRect(list_->EditorRow()).adjusted(1, 1, -1, -1));
  Type(edit, QStringLiteral("+set a 1"));
  dialog_->ControlAs<QPushButton>(1)->click();
  EXPECT_EQ(dialog_->result(), 1);
  EXPECT_EQ(test::ReadFile(ConfigFilePath()).find("Param=+set a 1 ") != std::string::npos, true);
  EXPECT_EQ(settings_.param, "+set a 1");  // reloaded: the blank is gone
}

TEST_F(OptionsDialogTest, ChecksInvertPerClickAndCategoriesIgnoreClicks) {
  ClickValue(*list_, "Hide Full");
  std::int32_t flag = -1;
  list_->Rows().GetBool("Hide Full", flag);
  EXPECT_EQ(flag, 1);
  ClickValue(*list_, "Hide Full");
  list_->Rows().GetBool("Hide Full", flag);
  EXPECT_EQ(flag, 0);
  // A quick double click is two clicks.
  const int id = test::ShowRow(*list_, "Only Local");
  const QPoint at = list_->ValueRect(id).center();
  test::Press(list_->viewport(), at);
  test::Press(list_->viewport(), at, QEvent::MouseButtonDblClick);
  list_->Rows().GetBool("Only Local", flag);
  EXPECT_EQ(flag, 0);

  const PropertyRows before = list_->Rows();
  test::ShowRow(*list_, "Filter");
  test::Press(list_->viewport(), list_->RowRect(1).center());
  for (int i = 0; i < before.Count(); ++i)
    EXPECT_EQ(list_->Rows().Items()[i].flag, before.Items()[i].flag);
  EXPECT_EQ(test::VisibleEditor(*list_), nullptr);

  dialog_->ControlAs<QPushButton>(1)->click();
  EXPECT_EQ(Stored("Filter", "HideFull"), "0");
  EXPECT_EQ(Stored("info", "LocalOnly"), "0");
}

TEST_F(OptionsDialogTest, ColoursComeFromTheColourDialogAndItsCancelChangesNothing) {
  ClickValue(*list_, "Buddy Color");
  EXPECT_EQ(colourRuns_, 1);
  Color c = 0;
  list_->Rows().GetColor("Buddy Color", c);
  EXPECT_EQ(c, MakeColor(255, 0, 0));
  colourAnswer_ = MakeColor(1, 2, 3);
  ClickValue(*list_, "Buddy Color");
  list_->Rows().GetColor("Buddy Color", c);
  EXPECT_EQ(c, MakeColor(1, 2, 3));
  dialog_->ControlAs<QPushButton>(1)->click();
  EXPECT_EQ(Stored("info", "BuddyColor"), "(1,2,3)");
  EXPECT_EQ(settings_.buddyColor, MakeColor(1, 2, 3));
}

TEST_F(OptionsDialogTest, OkWritesExactlyTheDialogsKeysThenReloads) {
  std::vector<std::string> keys;
  dialog_->SetProfileWriter([&](const std::string& s, const std::string& k, const std::string& v) {
    keys.push_back(s + "/" + k);
    WriteProfileString(s, k, v);
  });
  dialog_->ControlAs<QPushButton>(1)->click();
  std::vector<std::string> expected;
  for (const SettingDesc* d : OptionWriteOrder())
    expected.push_back(std::string(d->section) + "/" + d->WrittenKey());
  EXPECT_EQ(keys.size(), 32u);
  EXPECT_EQ(keys, expected);
  // The reload adds the three keys the dialog has no row for.
  EXPECT_EQ(Stored("quake3", "protocol"), "66");
  EXPECT_EQ(Stored("info", "LastServerSort"), "4");
  EXPECT_EQ(Stored("info", "AliasList"), home_.Dir() + "Alias.vyk");
  EXPECT_EQ(settings_.serverListPath, home_.Dir() + "server.vyk");
}

TEST_F(OptionsDialogTest, CancelWritesNothingAndLeavesTheSettingsAlone) {
  ClickValue(*list_, "Hide Full");
  ClickValue(*list_, "Address");
  Type(EditorEdit(), QStringLiteral("127.0.0.1"));
  dialog_->ControlAs<QPushButton>(2)->click();
  EXPECT_EQ(dialog_->result(), 2);
  EXPECT_FALSE(ConfigFileExists());
  EXPECT_EQ(settings_.hideFull, 0);
  EXPECT_EQ(settings_.masterServer, kDefaultMasterServer);

  // With a file present, Cancel leaves it byte for byte.
  WriteProfileInt("info", "MaxThread", 7);
  const std::string before = test::ReadFile(ConfigFilePath());
  OptionsDialog again(settings_);
  again.show();
  again.close();  // the close box is Cancel
  EXPECT_EQ(again.result(), 2);
  EXPECT_EQ(test::ReadFile(ConfigFilePath()), before);
}

TEST_F(OptionsDialogTest, EnterAndEscapeOnTheListNeitherConfirmNorCancel) {
  std::vector<int> commands;
  QObject::connect(dialog_.get(), &SkinnedDialog::commandIssued,
                   [&](int id) { commands.push_back(id); });
  dialog_->activateWindow();
  list_->setFocus();
  ASSERT_EQ(dialog_->focusWidget(), list_);
  const int first = list_->FirstShown();
  test::Key(list_, Qt::Key_Return);
  test::Key(list_, Qt::Key_Escape);
  test::Key(list_, Qt::Key_PageDown);
  test::Key(list_, Qt::Key_Tab);
  EXPECT_TRUE(commands.empty());
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_EQ(dialog_->focusWidget(), list_);
  EXPECT_EQ(list_->FirstShown(), first);
}

TEST_F(OptionsDialogTest, EnterInAnEditorIsTheDialogsOkAndStoresTheText) {
  dialog_->activateWindow();
  ClickValue(*list_, "Address");
  QLineEdit* edit = EditorEdit();
  ASSERT_NE(edit, nullptr);
  ASSERT_EQ(dialog_->focusWidget(), edit);
  Type(edit, QStringLiteral("127.0.0.1"));
  test::Key(edit, Qt::Key_Return);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(dialog_->result(), 1);
  EXPECT_EQ(settings_.masterServer, "127.0.0.1");
}

TEST_F(OptionsDialogTest, ScrollBarMovesWholeRowsWithTheEditorAndClosingCommitsIt) {
  QScrollBar* bar = list_->verticalScrollBar();
  ClickValue(*list_, "Good Ping");
  QLineEdit* edit = EditorEdit();
  ASSERT_NE(edit, nullptr);
  const int row = list_->EditorRow();
  Type(edit, QStringLiteral("55"));
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(list_->FirstShown(), 2);
  EXPECT_EQ(bar->value(), 1);
  // The editor rides along with its row, its text as typed and not yet stored.
  EXPECT_EQ(EditorEdit(), edit);
  EXPECT_EQ(edit->geometry(), list_->ValueRect(row).adjusted(1, 1, -1, -1));
  EXPECT_EQ(edit->text(), QStringLiteral("55"));
  std::int32_t good = 0;
  list_->Rows().GetInt("Good Ping", good);
  EXPECT_EQ(good, settings_.goodPing);
  // Out of view it waits hidden.
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(EditorEdit(), nullptr);
  EXPECT_EQ(list_->Editor(), edit);
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(EditorEdit(), edit);
  EXPECT_EQ(edit->text(), QStringLiteral("55"));
  // Closing the dialog stores it.
  dialog_->close();
  EXPECT_EQ(list_->Editor(), nullptr);
  list_->Rows().GetInt("Good Ping", good);
  EXPECT_EQ(good, 55);
  dialog_->show();

  // The rows, not the bar, decide where the thumb ends.
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  const int last = list_->FirstShown();
  EXPECT_EQ(last, 38 - list_->ShownCount() + 1);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(bar->value(), last - 1);
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  // The wheel scrolls whole rows too.
  QWheelEvent wheel(QPointF(10, 10), list_->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                    QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(list_->viewport(), &wheel);
  EXPECT_GT(list_->FirstShown(), 1);
  EXPECT_EQ(bar->value(), list_->FirstShown() - 1);
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(list_->RowRect(1).top(), 0);  // the first row shown sits at the top
}

TEST_F(OptionsDialogTest, TheListFollowsTheDialogAndTheButtonsTheCorner) {
  const QSize start = dialog_->size();
  EXPECT_EQ(dialog_->minimumSize(), start);
  const QRect list = list_->geometry();
  const QRect ok = dialog_->Control(1)->geometry();
  const QRect cancel = dialog_->Control(2)->geometry();
  dialog_->resize(start + QSize(100, 60));
  EXPECT_EQ(list_->geometry(), list.adjusted(0, 0, 100, 60));
  EXPECT_EQ(dialog_->Control(1)->geometry(), ok.translated(100, 60));
  EXPECT_EQ(dialog_->Control(2)->geometry(), cancel.translated(100, 60));
  EXPECT_EQ(dialog_->Layout()->ControlCount(), 3);
}

TEST_F(OptionsDialogTest, ExecReturnsOneForOkAndTwoForCancel) {
  auto pressLater = [this](int id) {
    QTimer::singleShot(0, dialog_.get(), [this, id] {
      if (auto* b = dialog_->ControlAs<QPushButton>(id)) b->click();
      if (dialog_->isVisible()) dialog_->done(99);  // never left waiting
    });
  };
  dialog_->hide();
  pressLater(2);
  EXPECT_EQ(dialog_->exec(), 2);
  EXPECT_FALSE(ConfigFileExists());
  pressLater(1);
  EXPECT_EQ(dialog_->exec(), 1);
  EXPECT_TRUE(ConfigFileExists());
}

TEST_F(OptionsDialogTest, RowsAreDrawnInTheRowColourOnTheSkinBackground) {
  const QImage img = list_->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  // Category rows are filled with the text colour.
  const QRect filter = list_->RowRect(1);
  EXPECT_TRUE(
      test::SameRgb(img.pixel(filter.right() - 3, filter.center().y()), settings_.textColor));
  // Check boxes are white boxes at the value's left; a ticked one ("Hide Timeout") has a
  // black tick, an unticked one ("Hide Full") none.
  auto box = [this](int id) {
    const QRect v = list_->ValueRect(id);
    const int side = std::min(v.width(), v.height()) - 2;
    return QRect(v.left() + 1, v.top() + 1, side, side).adjusted(3, 3, -3, -3);
  };
  auto dark = [](QRgb p) { return qGray(p) < 60; };
  EXPECT_GT(test::CountColour(img, box(2), MakeColor(255, 255, 255)), 20);
  EXPECT_GT(test::CountPixels(img, box(2), dark), 3);
  EXPECT_EQ(test::CountPixels(img, box(3), dark), 0);
  EXPECT_GT(test::CountColour(img, box(3), MakeColor(255, 255, 255)), 20);
  // Frames in the row colour, the gaps in the background colour.
  const QRect row = list_->RowRect(2);
  EXPECT_TRUE(test::SameRgb(img.pixel(row.left(), row.center().y()), settings_.textColor));
  EXPECT_TRUE(test::SameRgb(img.pixel(row.left() + 1, row.center().y()), settings_.bgColor));

  // A colour row shows a swatch of its colour.
  const int id = test::ShowRow(*list_, "Favorite Color");
  const QImage img2 = list_->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect swatch = list_->ValueRect(id).adjusted(2, 2, -2, -2);
  EXPECT_EQ(test::CountColour(img2, swatch, settings_.favoriteColor),
            swatch.width() * swatch.height());
}

}  // namespace
}  // namespace vyk

namespace vyk {
namespace {

// The dialog at its size and enlarged: buttons inside and clear of the list; pictures go
// to VYK_SCREENSHOT_DIR when it is set.
TEST(OptionsDialogLook, TidyAtItsSizeAndWhenEnlarged) {
  test::TestHome home;
  Settings settings;
  settings.gamePath = "/usr/local/games/quake3/ioquake3.x86_64";
  settings.serverListPath = home.Dir() + "server.vyk";
  settings.buddyListPath = home.Dir() + "player.vyk";
  settings.param = "+set com_hunkmegs 128";
  OptionsDialog dialog(settings);
  dialog.show();
  QApplication::processEvents();
  auto check = [&] {
    const QRect client = dialog.rect();
    const QRect list = dialog.Control(1037)->geometry();
    EXPECT_TRUE(client.contains(list));
    for (int id : {1, 2}) {
      const QRect button = dialog.Control(id)->geometry();
      EXPECT_TRUE(client.contains(button)) << id;
      EXPECT_GT(button.top(), list.bottom()) << id;
    }
    EXPECT_LT(dialog.Control(1)->geometry().right(), dialog.Control(2)->geometry().left());
  };
  check();
  const int shown = dialog.List()->ShownCount();
  const QString dir = qEnvironmentVariable("VYK_SCREENSHOT_DIR");
  if (!dir.isEmpty()) dialog.grab().save(QDir(dir).filePath(QStringLiteral("dialog-options.png")));
  dialog.resize(dialog.size() + QSize(120, 200));
  QApplication::processEvents();
  check();
  EXPECT_GT(dialog.List()->ShownCount(), shown + 5);
  if (!dir.isEmpty())
    dialog.grab().save(QDir(dir).filePath(QStringLiteral("dialog-options-large.png")));
  if (!dir.isEmpty()) {
    test::ClickValue(*dialog.List(), "Parameters");
    QApplication::processEvents();
    dialog.grab().save(QDir(dir).filePath(QStringLiteral("dialog-options-editing.png")));
  }
}

}  // namespace
}  // namespace vyk
