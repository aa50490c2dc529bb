#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>

#include "ui/widgets/CResizeCtrl.h"
#include "ui/widgets/DialogTemplate.h"
#include "ui/widgets/SkinnedDialog.h"

namespace vyk {
namespace {

class CResizeCtrlTest : public ::testing::Test {
 protected:
  CResizeCtrlTest() : dialog_(settings_) {
    DialogTemplate t;
    EXPECT_TRUE(LoadDialogTemplate(134, t));
    dialog_.BuildFromTemplate(t);
    dialog_.setFixedSize(dialog_.size());  // a dialog without a sizing border
  }
  void ResizeBy(int dx, int dy) {
    dialog_.resize(dialog_.width() + dx, dialog_.height() + dy);
    QApplication::processEvents();
  }

  Settings settings_;
  SkinnedDialog dialog_;
};

TEST_F(CResizeCtrlTest, OptionsLayoutFollowsTheBottomRightCorner) {
  CResizeCtrl resize;
  ASSERT_TRUE(resize.Create(&dialog_, true, 100));
  EXPECT_FALSE(resize.Create(&dialog_, true, 100));
  EXPECT_TRUE(resize.AddControl(1037, 0, 0, 100, 100));
  EXPECT_TRUE(resize.AddControl(1, 100, 100, 0, 0));
  EXPECT_TRUE(resize.AddControl(2, 100, 100, 0, 0));
  resize.SetMinimumTrackingSize();
  dialog_.show();
  QApplication::processEvents();

  QWidget* list = dialog_.Control(1037);
  QWidget* ok = dialog_.Control(1);
  const QRect list0 = list->geometry();
  const QRect ok0 = ok->geometry();
  ResizeBy(40, 30);
  EXPECT_EQ(list->geometry(), list0.adjusted(0, 0, 40, 30));
  EXPECT_EQ(ok->geometry(), ok0.translated(40, 30));
  ResizeBy(-40, -30);
  EXPECT_EQ(list->geometry(), list0);
  EXPECT_EQ(ok->geometry(), ok0);
  // Not smaller than the size after initialisation.
  EXPECT_EQ(dialog_.minimumSize(), dialog_.size());
  EXPECT_EQ(dialog_.property(CResizeCtrl::kPropertyName).value<QObject*>(), &resize);
}

TEST_F(CResizeCtrlTest, AddControlRefusals) {
  CResizeCtrl resize;
  EXPECT_FALSE(resize.AddControl(1, 0, 0, 0, 0));  // before Create
  ASSERT_TRUE(resize.Create(&dialog_, true, 100));
  EXPECT_FALSE(resize.AddControl(1, 60, 0, 50, 0));
  EXPECT_FALSE(resize.AddControl(1, 0, -1, 0, 0));
  EXPECT_FALSE(resize.AddControl(1022, 0, 100, 0, 0));  // no such control
  EXPECT_EQ(resize.ControlCount(), 0);
  EXPECT_TRUE(resize.AddControl(2, 50, 50, 50, 50));
  EXPECT_EQ(resize.ControlCount(), 1);
}

TEST_F(CResizeCtrlTest, SwitchingOffRestoresTheFixedSizeAndStopsTheLayout) {
  CResizeCtrl resize;
  ASSERT_TRUE(resize.Create(&dialog_, false, 100));
  EXPECT_FALSE(resize.IsEnabled());
  EXPECT_EQ(dialog_.minimumSize(), dialog_.maximumSize());
  ASSERT_TRUE(resize.AddControl(1, 100, 100, 0, 0));
  EXPECT_TRUE(resize.SetEnabled(true));
  EXPECT_FALSE(resize.SetEnabled(true));
  EXPECT_NE(dialog_.minimumSize(), dialog_.maximumSize());
  dialog_.show();
  QApplication::processEvents();
  QWidget* ok = dialog_.Control(1);
  const QRect ok0 = ok->geometry();
  ResizeBy(10, 10);
  EXPECT_EQ(ok->geometry(), ok0.translated(10, 10));
  EXPECT_TRUE(resize.SetEnabled(false));
  EXPECT_FALSE(dialog_.property(CResizeCtrl::kPropertyName).isValid());
  EXPECT_EQ(dialog_.minimumSize(), dialog_.maximumSize());
  dialog_.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  dialog_.setMinimumSize(0, 0);
  ResizeBy(10, 10);
  EXPECT_EQ(ok->geometry(), ok0.translated(10, 10));  // no longer laid out
}

}  // namespace
}  // namespace vyk

namespace vyk {
namespace {

TEST(CResizeCtrl, AsTheDialogsChildItGoesWithTheDialog) {
  Settings settings;
  auto* dialog = new SkinnedDialog(settings);
  DialogTemplate t;
  ASSERT_TRUE(LoadDialogTemplate(155, t));
  dialog->BuildFromTemplate(t);
  auto* resize = new CResizeCtrl(dialog);
  ASSERT_TRUE(resize->Create(dialog));
  ASSERT_TRUE(resize->AddControl(1, 100, 100, 0, 0));
  dialog->show();
  QApplication::processEvents();
  delete dialog;  // must not touch the half-destroyed dialog
  SUCCEED();
}

}  // namespace
}  // namespace vyk
