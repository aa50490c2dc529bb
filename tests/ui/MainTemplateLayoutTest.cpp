// Builds the main window's template with its resize shares and a few rows, checks that
// the layout stays tidy at two sizes, and saves pictures of it when VYK_SCREENSHOT_DIR
// names a directory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>

#include "ui/widgets/CResizeCtrl.h"
#include "ui/widgets/ColourStatic.h"
#include "ui/widgets/ColourText.h"
#include "ui/widgets/DialogTemplate.h"
#include "ui/widgets/SkinnedDialog.h"
#include "ui/widgets/SkinnedListCtrl.h"

namespace vyk {
namespace {

// Names in colour in column 0, like the concrete views do.
class NameList : public SkinnedListCtrl {
 public:
  using SkinnedListCtrl::SkinnedListCtrl;
  void DrawCell(QPainter& p, int row, int column, const QRect& cell) override {
    if (column != 0) return SkinnedListCtrl::DrawCell(p, row, column, cell);
    QRect r = cell.adjusted(2, 1, -1, -1);
    DrawColourText(p, r, ItemText(row, 0));
  }
};

struct Share {
  int id, left, top, width, height;
};
const Share kShares[] = {
    {1000, 0, 0, 100, 50},  {1003, 0, 50, 50, 50},  {1022, 0, 100, 0, 0},  {1017, 0, 100, 0, 0},
    {1031, 50, 50, 50, 50}, {1013, 50, 50, 50, 50}, {1033, 50, 50, 0, 0},  {1034, 50, 50, 0, 0},
    {1035, 50, 50, 0, 0},   {1005, 50, 50, 50, 0},  {1006, 100, 50, 0, 0}, {1060, 100, 100, 0, 0},
    {1062, 0, 100, 0, 0},   {1007, 50, 50, 50, 0},  {1009, 50, 50, 50, 0}, {1011, 100, 50, 0, 0},
    {57664, 100, 0, 0, 0},  {2, 100, 0, 0, 0},      {1004, 0, 50, 0, 0},   {1052, 0, 50, 0, 0},
    {1018, 0, 50, 0, 0},    {57634, 0, 50, 0, 0},   {1071, 0, 100, 100, 0}};

void Fill(SkinnedDialog& d) {
  auto* servers = d.ControlAs<SkinnedListCtrl>(1000);
  const char* titles[] = {"Server", "Buddy", "Player", "Map", "Ping", "IP", "<#>", "Fav"};
  const int widths[] = {200, 50, 50, 100, 40, 150, 30, 30};
  for (int c = 0; c < 8; ++c) servers->InsertColumn(c, titles[c], widths[c]);
  servers->SetSortColumn(4);
  const char* rows[][8] = {
      {"^1Rocket ^7Arena ^3FFA", "", "12/16", "q3dm17", "35", "127.0.0.1:27960", "3", " *"},
      {"^4Blue^7Sky CTF", "2", "8/20", "q3ctf4", "62", "127.0.0.1:27961", "", ""},
      {"^2Green ^5Duel", "", "1/2", "q3tourney2", "118", "127.0.0.1:27962", "", ""},
      {"Vanilla 1.32", "", "0/12", "q3dm6", "48", "127.0.0.1:27963", "1", ""}};
  for (int r = 0; r < 4; ++r) {
    servers->InsertRow(r, rows[r][0], r);
    for (int c = 1; c < 8; ++c) servers->SetItemText(r, c, rows[r][c]);
  }
  servers->SetRowSelected(1, true);
  auto* players = d.ControlAs<SkinnedListCtrl>(1003);
  players->InsertColumn(0, "Name", 200);
  players->InsertColumn(1, "Ping", 60);
  players->InsertColumn(2, "Frags", 60);
  const char* names[] = {"^1Red^7Guy", "^3Sarge", "^5Major", "Anarki"};
  for (int r = 0; r < 4; ++r) {
    players->InsertRow(r, names[r], r);
    players->SetItemText(r, 1, std::to_string(40 + 11 * r));
    players->SetItemText(r, 2, std::to_string(20 - 4 * r));
  }
  d.ControlAs<ColourStatic>(1061)->SetText(" ^1Neo");
  d.ControlAs<ColourStatic>(1060)->SetText(" ^7Vyk Finder ^30.0.0.32");
  d.ControlAs<QLineEdit>(1071)->setText(QStringLiteral("  Ready"));
  d.ControlAs<QLineEdit>(1005)->setText(QStringLiteral("127.0.0.1"));
  d.ControlAs<QLineEdit>(1006)->setText(QStringLiteral("27961"));
  d.ControlAs<QPlainTextEdit>(1013)->setPlainText(
      QStringLiteral("sv_hostname=^4Blue^7Sky CTF\nmapname=q3ctf4\nsv_maxclients=20"));
}

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

TEST(MainTemplateLayout, TidyAtItsSizeAndWhenEnlarged) {
  Settings settings;
  SkinnedDialog dialog(settings);
  DialogTemplate t;
  ASSERT_TRUE(LoadDialogTemplate(102, t));
  dialog.BuildFromTemplate(t, [&settings](const ControlTemplate& c, QWidget* parent) -> QWidget* {
    return c.kind == "listview" ? new NameList(settings, parent) : nullptr;
  });
  CResizeCtrl resize;
  ASSERT_TRUE(resize.Create(&dialog, true, 100));
  int added = 0;
  for (const Share& s : kShares) added += resize.AddControl(s.id, s.left, s.top, s.width, s.height);
  EXPECT_EQ(added, static_cast<int>(std::size(kShares)) - 2);  // 1022 and 1017 do not exist
  resize.SetMinimumTrackingSize();
  Fill(dialog);
  dialog.show();
  QApplication::processEvents();
  CheckTidy(dialog);
  Save(dialog, "vyk_main102.png");

  dialog.resize(dialog.width() + 301, dialog.height() + 181);
  QApplication::processEvents();
  CheckTidy(dialog);
  Save(dialog, "vyk_main102_large.png");
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
