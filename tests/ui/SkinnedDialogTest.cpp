#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>

#include "UiTestUtil.h"
#include "ui/widgets/ColourComboBox.h"
#include "ui/widgets/ColourStatic.h"
#include "ui/widgets/DialogTemplate.h"
#include "ui/widgets/SkinnedDialog.h"

namespace vyk {
namespace {

using test::SameRgb;

QImage Render(QWidget& w) {
  return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(SkinnedDialog, PlainButtonsAreFlatWithAnEdgeThatSinksAndVanishes) {
  Settings s;
  s.bgColor = MakeColor(10, 20, 30);
  s.textColor = MakeColor(200, 100, 0);
  SkinnedDialog dialog(s);
  auto* plain = new QPushButton(QStringLiteral("Refresh"), &dialog);
  plain->setAutoDefault(false);
  plain->setGeometry(10, 10, 80, 24);
  auto* def = new QPushButton(QStringLiteral("OK"), &dialog);
  def->setDefault(true);
  def->setGeometry(10, 40, 80, 24);
  auto* check = new QCheckBox(QStringLiteral("Only Buddy"), &dialog);
  check->setGeometry(10, 70, 80, 24);
  dialog.InitSkin();
  EXPECT_TRUE(SkinnedDialog::IsSkinnedButton(plain));
  EXPECT_FALSE(SkinnedDialog::IsSkinnedButton(def));
  EXPECT_FALSE(SkinnedDialog::IsSkinnedButton(check));

  QImage img = Render(*plain);
  EXPECT_TRUE(SameRgb(img.pixel(5, 0), MakeColor(255, 255, 255)));  // raised: light top
  EXPECT_TRUE(SameRgb(img.pixel(5, img.height() - 1), MakeColor(128, 128, 128)));
  EXPECT_TRUE(SameRgb(img.pixel(5, 5), s.bgColor));
  EXPECT_GT(test::CountColour(img, img.rect(), s.textColor), 0);

  plain->setDown(true);
  img = Render(*plain);
  EXPECT_TRUE(SameRgb(img.pixel(5, 0), MakeColor(128, 128, 128)));  // sunken while held
  EXPECT_TRUE(SameRgb(img.pixel(5, img.height() - 1), MakeColor(255, 255, 255)));
  plain->setDown(false);

  plain->setEnabled(false);
  img = Render(*plain);
  EXPECT_TRUE(SameRgb(img.pixel(5, 0), s.bgColor));  // no edge at all
  EXPECT_GT(test::CountColour(img, img.rect(), s.textColor), 0);

  // The default button keeps the style's look: not a plain fill of the skin colour.
  img = Render(*def);
  EXPECT_LT(test::CountColour(img, img.rect(), s.bgColor), img.width() * img.height());
}

TEST(SkinnedDialog, BackgroundFollowsBgColorAtTheNextPaint) {
  Settings s;
  s.bgColor = MakeColor(0, 0, 0);
  SkinnedDialog dialog(s);
  dialog.resize(100, 80);
  QImage img = Render(dialog);
  EXPECT_TRUE(SameRgb(img.pixel(50, 40), s.bgColor));
  s.bgColor = MakeColor(40, 90, 140);
  img = Render(dialog);
  EXPECT_TRUE(SameRgb(img.pixel(50, 40), s.bgColor));
  EXPECT_EQ(dialog.palette().color(QPalette::Base), QColor(40, 90, 140));
}

// Records commands; keeps the dialog open for ids it is told to swallow.
class CommandDialog : public SkinnedDialog {
 public:
  using SkinnedDialog::SkinnedDialog;
  std::vector<int> seen;
  bool swallowCancel = false;
  void OnCommand(int id) override {
    seen.push_back(id);
    if (!(swallowCancel && id == 2)) SkinnedDialog::OnCommand(id);
  }
};

void Key(QWidget& w, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&w, &press);
}

TEST(SkinnedDialog, EveryWayOutIsACommandAndEndsWithItsId) {
  Settings s;
  CommandDialog dialog(s);
  DialogTemplate t;
  ASSERT_TRUE(LoadDialogTemplate(155, t));
  dialog.BuildFromTemplate(t);
  dialog.show();
  dialog.ControlAs<QPushButton>(2)->click();
  EXPECT_EQ(dialog.result(), 2);  // Cancel ends with 2, as IDCANCEL
  EXPECT_FALSE(dialog.isVisible());
  dialog.show();
  dialog.ControlAs<QPushButton>(1)->click();
  EXPECT_EQ(dialog.result(), 1);
  dialog.show();
  Key(dialog, Qt::Key_Escape);
  dialog.show();
  dialog.close();  // the close box
  EXPECT_EQ(dialog.seen, (std::vector<int>{2, 1, 2, 2}));

  // A handler that keeps the dialog open on Cancel keeps it open on the close box too.
  dialog.seen.clear();
  dialog.swallowCancel = true;
  dialog.show();
  dialog.close();
  EXPECT_TRUE(dialog.isVisible());
  dialog.swallowCancel = false;

  // Enter without a default button is OK (1); with one, it presses that button.
  CommandDialog main(s);
  ASSERT_TRUE(LoadDialogTemplate(102, t));
  main.BuildFromTemplate(t);
  main.show();
  if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
  Key(main, Qt::Key_Return);
  EXPECT_EQ(main.seen, std::vector<int>{1});
  EXPECT_FALSE(main.isVisible());
  dialog.seen.clear();
  dialog.show();
  Key(dialog, Qt::Key_Return);
  EXPECT_EQ(dialog.seen, std::vector<int>{1});
}

TEST(ColourStatic, KeepsShowingItsLastTextWhenEmptied) {
  Settings s;
  s.bgColor = MakeColor(0, 0, 0);
  ColourStatic label(s);
  label.resize(120, 24);
  label.SetText("^1Neo");
  label.SetText("");
  EXPECT_EQ(label.Text(), "");
  EXPECT_EQ(label.KeptText(), "^1Neo");
  QFont f = label.font();
  f.setStyleStrategy(QFont::NoAntialias);
  label.setFont(f);
  QImage img = Render(label);
  EXPECT_GT(test::CountColour(img, img.rect(), MakeColor(255, 0, 0)), 0);
  label.Clear();
  img = Render(label);
  EXPECT_EQ(test::CountColour(img, img.rect(), s.bgColor), img.width() * img.height());
}

TEST(ColourComboBox, SortsByTheLeadingLettersOfTheStrippedName) {
  Settings s;
  ColourComboBox combo(s);
  for (const char* name : {"bob", "^1Neo", "1st", "Alice", " x", "^4Neo2"}) combo.AddString(name);
  std::vector<std::string> order;
  for (int i = 0; i < combo.count(); ++i) order.push_back(combo.ItemText(i));
  const std::vector<std::string> expected{"1st", " x", "Alice", "^1Neo", "^4Neo2", "bob"};
  EXPECT_EQ(order, expected);
  combo.setCurrentIndex(3);
  EXPECT_EQ(combo.EditText(), "^1Neo");
  combo.SetEditText("\xE9t\xE9");
  EXPECT_EQ(combo.EditText(), "\xE9t\xE9");
}

}  // namespace
}  // namespace vyk
