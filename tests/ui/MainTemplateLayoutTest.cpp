// Checks that the main window's layout stays tidy and follows the window when it
// grows, and saves pictures of it when VYK_SCREENSHOT_DIR names a directory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <map>

#include "MainWindowFixture.h"

#include "ui/widgets/DialogTemplate.h"
#include "ui/widgets/SkinnedDialog.h"

namespace vyk {
namespace {

// Controls that must not overlap one another at any size.
const int kApart[] = {1000, 1003, 1031, 1071, 1060, 1062, 1004, 1052, 1018, 57634};

void CheckTidy(SkinnedDialog& d) {
  const QRect client = d.rect();
  for (QWidget* w : d.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!w->property("controlId").isValid()) continue;
    EXPECT_TRUE(client.contains(w->geometry())) << w->property("controlId").toInt();
  }
  for (int a : kApart)
    for (int b : kApart)
      if (a < b) {
        EXPECT_FALSE(d.Control(a)->geometry().intersects(d.Control(b)->geometry()))
            << a << " " << b;
      }
  const QRect group = d.Control(1031)->geometry();
  for (int id : {1033, 1034, 1035, 1005, 1006, 1007, 1009, 1011, 1013})
    EXPECT_TRUE(group.contains(d.Control(id)->geometry())) << id;
}

void Save(SkinnedDialog& d, const char* name) {
  const QString dir = qEnvironmentVariable("VYK_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  d.grab().save(QDir(dir).filePath(QString::fromLatin1(name)));
}

// Within a pixel: the shares are rounded.
void ExpectNear(const QRect& got, const QRect& want, int id) {
  EXPECT_LE(std::abs(got.left() - want.left()), 1) << id;
  EXPECT_LE(std::abs(got.top() - want.top()), 1) << id;
  EXPECT_LE(std::abs(got.width() - want.width()), 1) << id;
  EXPECT_LE(std::abs(got.height() - want.height()), 1) << id;
}

using MainTemplateLayout = test::MainWindowTest;

// Growing the window: the server list takes the added width and half the added
// height, the players and the remote console share the lower half, the status
// line stays along the bottom and the buttons follow their edges.
TEST_F(MainTemplateLayout, TidyAtItsSizeAndWhenEnlarged) {
  Open();
  CheckTidy(*dialog_);
  Save(*dialog_, "vyk_main102.png");
  std::map<int, QRect> before;
  for (int id : {1000, 1003, 1031, 1071, 1060, 1062, 57664, 2, 1004, 57634})
    before[id] = dialog_->Control(id)->geometry();

  const int dx = 300, dy = 180;
  dialog_->resize(dialog_->width() + dx, dialog_->height() + dy);
  QApplication::processEvents();
  CheckTidy(*dialog_);
  Save(*dialog_, "vyk_main102_large.png");
  auto moved = [&](int id, int left, int top, int width, int height) {
    ExpectNear(dialog_->Control(id)->geometry(),
               before[id].translated(left, top).adjusted(0, 0, width, height), id);
  };
  moved(1000, 0, 0, dx, dy / 2);
  moved(1003, 0, dy / 2, dx / 2, dy / 2);
  moved(1031, dx / 2, dy / 2, dx / 2, dy / 2);
  moved(1071, 0, dy, dx, 0);
  moved(1060, dx, dy, 0, 0);
  moved(1062, 0, dy, 0, 0);
  moved(57664, dx, 0, 0, 0);
  moved(2, dx, 0, 0, 0);
  moved(1004, 0, dy / 2, 0, 0);
  moved(57634, 0, dy / 2, 0, 0);
}

}  // namespace
}  // namespace vyk

namespace vyk {
namespace {

// Every template builds into a dialog whose controls lie inside it.
TEST(DialogTemplates, EveryDialogBuildsInsideItsClientArea) {
  Settings settings;
  for (int id : {130, 134, 135, 142, 144, 155}) {
    SkinnedDialog dialog(settings);
    DialogTemplate t;
    ASSERT_TRUE(LoadDialogTemplate(id, t));
    dialog.BuildFromTemplate(t);
    dialog.show();
    QApplication::processEvents();
    for (const ControlTemplate& c : t.controls) {
      if (c.id == -1) continue;
      ASSERT_NE(dialog.Control(c.id), nullptr) << id << "/" << c.id;
      EXPECT_TRUE(dialog.rect().contains(dialog.Control(c.id)->geometry())) << id << "/" << c.id;
    }
    Save(dialog, ("vyk_dialog" + std::to_string(id) + ".png").c_str());
  }
}

}  // namespace
}  // namespace vyk
