#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include "PropertyUiTestUtil.h"
#include "UiTestUtil.h"
#include "ui/dialogs/PropertyDialogs.h"
#include "ui/dialogs/PropertyList.h"

namespace vyk {
namespace {

class PropertyListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.bgColor = MakeColor(0, 0, 0);
    list_.resize(300, 300);
    PropertyDialogs none;
    none.warn = [this](QWidget*, const std::string& text, const std::string&) {
      warnings_.push_back(text);
    };
    list_.SetDialogs(none);
    list_.show();
  }
  int Add(PropertyItemDesc d) {
    const int id = list_.AddItem(d);
    list_.SetRowTextColor(MakeColor(200, 200, 200));
    return id;
  }

  Settings settings_;
  PropertyList list_{settings_};
  std::vector<std::string> warnings_;
};

TEST_F(PropertyListTest, ChoiceRowsOpenADropDownOnTheirOptions) {
  PropertyItemDesc d;
  d.label = "Mode";
  d.kind = kPropertyChoice;
  d.options = {"ffa", "ctf", "tdm"};
  d.text = "ctf";
  const int id = Add(d);
  test::ClickValue(list_, "Mode");
  auto* combo = qobject_cast<QComboBox*>(test::VisibleEditor(list_));
  ASSERT_NE(combo, nullptr);
  EXPECT_FALSE(combo->isEditable());
  EXPECT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->currentText(), QStringLiteral("ctf"));
  EXPECT_EQ(combo->geometry(), list_.ValueRect(id));
  combo->setCurrentIndex(2);
  list_.CommitEdits();
  std::string text;
  list_.GetText("Mode", text);
  EXPECT_EQ(text, "tdm");

  // A text that is no option: the list shows nothing chosen and the row keeps its text.
  list_.SetText("Mode", "duel");
  test::ClickValue(list_, "Mode");
  combo = qobject_cast<QComboBox*>(list_.Editor());
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->currentIndex(), -1);
  list_.CommitEdits();
  list_.GetText("Mode", text);
  EXPECT_EQ(text, "duel");

  // Editable: an edit field starting with the row's text, a pixel taller each way.
  list_.RemoveItem(id);
  d.editable = 1;
  d.text = "own";
  const int id2 = Add(d);
  test::ClickValue(list_, "Mode");
  combo = qobject_cast<QComboBox*>(list_.Editor());
  ASSERT_NE(combo, nullptr);
  EXPECT_TRUE(combo->isEditable());
  EXPECT_EQ(combo->currentText(), QStringLiteral("own"));
  EXPECT_EQ(combo->geometry(), list_.ValueRect(id2).adjusted(0, -1, 0, 1));
}

TEST_F(PropertyListTest, FileRowsEditInPlaceAndBrowseWithThePressedButton) {
  PropertyItemDesc d;
  d.label = "Path";
  d.kind = kPropertyFile;
  d.text = "/old/quake3.x86";
  d.fileFilter = "Quake III |*.exe|All Files (*.*)|*.*|";
  d.openMode = 1;
  const int id = Add(d);
  bool sawOpen = false;
  std::string sawFilter, sawPath;
  bool drawnPressed = false;
  list_.Dialogs().chooseFile = [&](QWidget*, bool open, const std::string& filter,
                                   std::string& path) {
    sawOpen = open;
    sawFilter = filter;
    sawPath = path;
    const QImage img = list_.viewport()->grab().toImage();
    const QRect b = list_.ButtonRect(id);
    // Pressed: dark top-left, light bottom-right.
    drawnPressed = qGray(img.pixel(b.left() + 2, b.top())) < 60 &&
                   qGray(img.pixel(b.left() + 2, b.bottom())) > 200;
    path = "/new/quake3.x86";
    return true;
  };
  const QRect button = list_.ButtonRect(id);
  ASSERT_FALSE(button.isEmpty());
  EXPECT_EQ(button.width(), list_.CaptionHeight());
  EXPECT_EQ(button.right(), list_.viewport()->width() - 1);
  QImage img = list_.viewport()->grab().toImage();
  EXPECT_GT(qGray(img.pixel(button.left() + 2, button.top())), 200);  // raised
  test::Press(list_.viewport(), button.center());
  EXPECT_TRUE(sawOpen);
  EXPECT_EQ(sawFilter, d.fileFilter);
  EXPECT_EQ(sawPath, "/old/quake3.x86");
  EXPECT_TRUE(drawnPressed);
  std::string text;
  list_.GetText("Path", text);
  EXPECT_EQ(text, "/new/quake3.x86");

  // Cancel in the file dialog keeps the path.
  list_.Dialogs().chooseFile = [](QWidget*, bool, const std::string&, std::string& path) {
    path = "changed anyway";
    return false;
  };
  test::Press(list_.viewport(), button.center());
  list_.GetText("Path", text);
  EXPECT_EQ(text, "/new/quake3.x86");

  // The value area edits the path in place.
  test::ClickValue(list_, "Path");
  auto* edit = qobject_cast<QLineEdit*>(test::VisibleEditor(list_));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->selectedText(), QStringLiteral("/new/quake3.x86"));
  test::Type(edit, QStringLiteral("/q3/ioq3"));
  list_.CommitEdits();
  list_.GetText("Path", text);
  EXPECT_EQ(text, "/q3/ioq3");
  EXPECT_EQ(list_.Editor(), nullptr);
}

TEST_F(PropertyListTest, FileRowsHoldTheFileSystemsOwnBytes) {
#ifdef _WIN32
  GTEST_SKIP() << "paths are in the ANSI code page there, which lacks these letters";
#endif
  const QString home = QStringLiteral("/home/j\u00f6rg-\u041a\u0438\u0440/");
  PropertyItemDesc d;
  d.label = "Server File";
  d.kind = kPropertyFile;
  d.text = QFile::encodeName(home + QStringLiteral("server.vyk")).toStdString();
  Add(d);
  test::ClickValue(list_, "Server File");
  auto* edit = qobject_cast<QLineEdit*>(test::VisibleEditor(list_));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->text(), home + QStringLiteral("server.vyk"));
  const QString typed = home + QStringLiteral("\u0434\u0440\u0443\u0437\u044c\u044f.vyk");
  test::Type(edit, typed);
  list_.CommitEdits();
  std::string text;
  list_.GetText("Server File", text);
  EXPECT_EQ(text, QFile::encodeName(typed).toStdString());
}

TEST_F(PropertyListTest, FontRowsShowTheFaceAndTakeTheFontDialogsChoice) {
  PropertyItemDesc d;
  d.label = "Font";
  d.kind = kPropertyFont;
  Add(d);
  PropertyFont seen;
  list_.Dialogs().chooseFont = [&](QWidget*, PropertyFont& font) {
    seen = font;
    font.faceName = "Courier";
    font.pointSize = 12;
    return true;
  };
  test::ClickValue(list_, "Font");
  EXPECT_EQ(seen, PropertyFont{});
  PropertyFont font;
  list_.GetFont("Font", font);
  EXPECT_EQ(font.faceName, "Courier");
  EXPECT_EQ(font.pointSize, 12);
}

TEST_F(PropertyListTest, ResizingCommitsTheEditorAndShowsMoreRows) {
  PropertyItemDesc d;
  d.kind = kPropertyNumber;
  d.minimum = 1;
  d.maximum = 10;
  d.integer = 5;
  for (int i = 0; i < 40; ++i) {
    d.label = "n" + std::to_string(i);
    Add(d);
  }
  const int shown = list_.ShownCount();
  EXPECT_EQ(list_.verticalScrollBar()->maximum(), 40);
  test::ClickValue(list_, "n0");
  test::Type(list_.Editor(), QStringLiteral("11"));
  list_.resize(300, 500);
  EXPECT_EQ(list_.Editor(), nullptr);
  EXPECT_EQ(warnings_, std::vector<std::string>{"Please enter a number between 1 and 10"});
  EXPECT_GT(list_.ShownCount(), shown);

  list_.ResetContent();
  EXPECT_EQ(list_.Rows().Count(), 0);
  EXPECT_EQ(list_.FirstShown(), 1);
  EXPECT_EQ(list_.verticalScrollBar()->maximum(), 0);
}

TEST(PropertyDialogs, FiltersBecomeNameFilters) {
  EXPECT_EQ(FileDialogFilter("Quake III |*.exe|All Files (*.*)|*.*|"),
            QStringLiteral("Quake III (*.exe);;All Files (*.*) (*)"));
  EXPECT_EQ(FileDialogFilter("Demos|*.dm_66;*.dm_68|"), QStringLiteral("Demos (*.dm_66 *.dm_68)"));
  EXPECT_EQ(FileDialogFilter(""), QString());
}

// A server or buddy file that does not exist yet can be named in the open form.
TEST(PropertyDialogs, TheOpenFormTakesANewFileName) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString wanted = dir.filePath(QStringLiteral("new.vyk"));
  bool refused = false, tried = false;
  QTimer user;
  user.setInterval(10);
  QObject::connect(&user, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isVisible()) continue;
      if (auto* box = qobject_cast<QMessageBox*>(w)) {
        refused = true;
        box->reject();
        return;
      }
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      if (!dialog || !dialog->isVisible()) continue;
      if (refused) {
        dialog->reject();
      } else if (!tried) {
        tried = true;
        dialog->selectFile(wanted);
        // As the Open button does, outside this handler: a refusal runs its own loop.
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
      }
    }
  });
  user.start();
  std::string path = QFile::encodeName(wanted).toStdString();
  const bool chosen = PropertyDialogs::Standard().chooseFile(
      nullptr, true, "Server Files (*.vyk)|*.vyk|All Files (*.*)|*.*|", path);
  user.stop();
  EXPECT_FALSE(refused);
  EXPECT_TRUE(chosen);
  EXPECT_EQ(path, QFile::encodeName(wanted).toStdString());
}

}  // namespace
}  // namespace vyk
