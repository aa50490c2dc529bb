#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <set>

#include "ui/MainDialog.h"
#include "ui/dialogs/AliasDialog.h"
#include "ui/dialogs/BuddyDialog.h"
#include "ui/dialogs/DirectRunDialog.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/PasswordDialog.h"
#include "ui/dialogs/ProtocolDialog.h"
#include "ui/dialogs/ServerListDialog.h"
#include "ui/widgets/ColourComboBox.h"
#include "ui/widgets/ColourStatic.h"
#include "ui/widgets/DialogTemplate.h"
#include "ui/widgets/PopupMenu.h"
#include "ui/widgets/ResourceIds.h"
#include "ui/widgets/SkinnedDialog.h"
#include "ui/widgets/SkinnedListCtrl.h"

namespace vyk {
namespace {

TEST(DialogTemplate, EveryDialogLoads) {
  for (int id : {102, 130, 134, 135, 142, 144, 155}) {
    DialogTemplate t;
    std::string error;
    EXPECT_TRUE(LoadDialogTemplate(id, t, &error)) << id << ": " << error;
    EXPECT_EQ(t.id, id);
    EXPECT_FALSE(t.controls.empty());
    // Every control lies inside its dialog.
    for (const ControlTemplate& c : t.controls) {
      EXPECT_LE(c.x + c.width, t.width) << id << "/" << c.id;
      if (c.kind != "combo") {
        EXPECT_LE(c.y + c.height, t.height) << id << "/" << c.id;
      }
    }
  }
  DialogTemplate t;
  EXPECT_FALSE(LoadDialogTemplate(999, t));
}

TEST(DialogTemplate, TranscribedTablesKeepTheirValues) {
  DialogTemplate t;
  ASSERT_TRUE(LoadDialogTemplate(130, t));
  EXPECT_EQ(t.width, 525);
  EXPECT_EQ(t.height, 319);
  ASSERT_NE(t.Find(1019), nullptr);
  EXPECT_EQ(t.Find(1019)->kind, "listview");
  EXPECT_EQ(t.Find(1019)->x, 107);
  EXPECT_EQ(t.Find(1019)->height, 295);
  EXPECT_EQ(t.Find(1)->text, "Quit");

  ASSERT_TRUE(LoadDialogTemplate(135, t));
  EXPECT_EQ(t.caption, "Edit Buddy");
  EXPECT_EQ(t.controls[0].text, "Name Contain\n(no color tag)");
  EXPECT_EQ(t.Find(1040)->text, "Remove->");

  ASSERT_TRUE(LoadDialogTemplate(102, t));
  EXPECT_EQ(t.caption, "Vykfind");
  for (int id : {1071, 1062, 1061, 1060,  57634, 1018, 1011,  1052,  1004,  1009,
                 1007, 1013, 1006, 1005,  1003,  1000, 32771, 32773, 32772, 1054,
                 1055, 1068, 1069, 57664, 2,     1033, 1034,  1035,  1031})
    EXPECT_NE(t.Find(id), nullptr) << id;
  EXPECT_EQ(t.Find(1022), nullptr);
  EXPECT_EQ(t.Find(1061)->text, "ALIAS HERE");
}

// A dialog's command table and its template agree: each id is in the table once; each is a
// button or check box of the template, an entry of one of the menus, kOk or kCancel (Enter,
// Escape and the close box send them), or one of the other ids that come without a
// control; every button and check box runs a command of the table or closes the dialog.
template <class D>
void ExpectCommandsMatchTemplate(int templateId, const std::set<int>& menuIds = {},
                                 const std::set<int>& withoutControl = {}) {
  DialogTemplate t;
  ASSERT_TRUE(LoadDialogTemplate(templateId, t)) << templateId;
  std::set<int> commands;
  for (const auto& command : D::Commands()) {
    EXPECT_TRUE(commands.insert(command.id).second) << templateId << ": twice " << command.id;
    const ControlTemplate* c = t.Find(command.id);
    if (c)
      EXPECT_TRUE(c->kind == "button" || c->kind == "checkbox") << templateId << "/" << c->id;
    else
      EXPECT_TRUE(menuIds.count(command.id) || withoutControl.count(command.id) ||
                  command.id == SkinnedDialog::kOk || command.id == SkinnedDialog::kCancel)
          << templateId << ": no control " << command.id;
  }
  for (const ControlTemplate& c : t.controls) {
    if (c.kind != "button" && c.kind != "checkbox") continue;
    EXPECT_TRUE(commands.count(c.id) || c.id == SkinnedDialog::kOk ||
                c.id == SkinnedDialog::kCancel)
        << templateId << ": nothing runs " << c.id;
  }
  for (int id : menuIds) EXPECT_TRUE(commands.count(id)) << templateId << ": menu " << id;
}

TEST(DialogTemplate, CommandTablesAndTemplatesAgree) {
  std::set<int> menuIds;
  for (int menu : {kServerMenu, kPlayerMenu})
    for (const MenuItemTemplate& item : MenuResource(menu))
      if (item.id != kSeparator) menuIds.insert(item.id);
  ExpectCommandsMatchTemplate<MainDialog>(kMainTemplate, menuIds, {MainDialog::kHelpIndex});
  ExpectCommandsMatchTemplate<ServerListDialog>(kServerListTemplate);
  ExpectCommandsMatchTemplate<OptionsDialog>(kOptionsTemplate);
  ExpectCommandsMatchTemplate<BuddyDialog>(kBuddyTemplate);
  ExpectCommandsMatchTemplate<DirectRunDialog>(kDirectRunTemplate);
  ExpectCommandsMatchTemplate<AliasDialog>(kAliasTemplate);
  ExpectCommandsMatchTemplate<PasswordDialog>(kPasswordTemplate);
  ExpectCommandsMatchTemplate<ProtocolDialog>(kProtocolTemplate);
}

TEST(DialogTemplate, ParseErrorsNameTheLine) {
  DialogTemplate t;
  std::string error;
  EXPECT_FALSE(ParseDialogTemplate("control 1 button 1 2 3 4 \"x\"\n", t, &error));
  EXPECT_EQ(error, "no dialog line");
  EXPECT_FALSE(
      ParseDialogTemplate("dialog 1 10 10 \"a\"\ncontrol 1 slider 1 2 3 4 \"\"\n", t, &error));
  EXPECT_NE(error.find("line 2"), std::string::npos);
  EXPECT_FALSE(
      ParseDialogTemplate("dialog 1 10 10 \"a\"\ncontrol 1 button 1 2 3 \"\"\n", t, &error));
  EXPECT_FALSE(ParseDialogTemplate("dialog 1 10 10 \"a\n", t, &error));
  EXPECT_FALSE(
      ParseDialogTemplate("dialog 1 10 10 \"a\"\ncontrol 7 button 1 2 3 4 \"\"\n"
                          "control 7 button 1 2 3 4 \"\"\n",
                          t, &error));
  EXPECT_FALSE(ParseDialogTemplate("dialog 1 99999999999 10 \"a\"\n", t, &error));
  EXPECT_FALSE(
      ParseDialogTemplate("dialog 1 10 10 \"a\"\ncontrol 1 button 1 2 -3 4 \"\"\n", t, &error));
  // Comments, blank lines, CR LF and flags.
  ASSERT_TRUE(ParseDialogTemplate(
      "# x\r\n\r\ndialog 5 20 30 \"Cap \\\"q\\\"\"\r\nfont \"Arial\" 9\r\n"
      "control -1 static 1 2 3 4 \"a b\" vcenter\r\ncontrol -1 static 1 2 3 4 \"\"\r\n",
      t, &error))
      << error;
  EXPECT_EQ(t.caption, "Cap \"q\"");
  EXPECT_EQ(t.fontName, "Arial");
  EXPECT_EQ(t.fontPointSize, 9);
  ASSERT_EQ(t.controls.size(), 2u);
  EXPECT_EQ(t.controls[0].text, "a b");
  EXPECT_TRUE(t.controls[0].Has("vcenter"));
}

TEST(DialogTemplate, DialogUnitsMapLikeWindows) {
  const DialogBaseUnits u{6, 13};
  EXPECT_EQ(MapDialogRect(u, 7, 28, 50, 14), QRect(11, 46, 75, 22));
  EXPECT_EQ(MapDialogRect(u, 0, 0, 525, 319), QRect(0, 0, 788, 518));
}

TEST(DialogTemplate, BuildsControlsFindableByIdAtTheirPixelGeometry) {
  Settings settings;
  SkinnedDialog dialog(settings);
  DialogTemplate t;
  ASSERT_TRUE(LoadDialogTemplate(155, t));
  dialog.BuildFromTemplate(t);
  const DialogBaseUnits u = BaseUnitsOf(dialog.font());
  EXPECT_GE(u.x, 3);
  EXPECT_GE(u.y, 8);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Switch Protocol"));
  EXPECT_EQ(dialog.size(), MapDialogRect(u, 0, 0, 116, 49).size());

  auto* ok = dialog.ControlAs<QPushButton>(1);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->geometry(), MapDialogRect(u, 7, 28, 50, 14));
  EXPECT_EQ(ok->property("controlId").toInt(), 1);
  EXPECT_TRUE(ok->isDefault());
  EXPECT_FALSE(SkinnedDialog::IsSkinnedButton(ok));
  auto* cancel = dialog.ControlAs<QPushButton>(2);
  ASSERT_NE(cancel, nullptr);
  EXPECT_TRUE(SkinnedDialog::IsSkinnedButton(cancel));
  auto* combo = dialog.ControlAs<QComboBox>(1067);
  ASSERT_NE(combo, nullptr);
  EXPECT_FALSE(combo->isEditable());
  EXPECT_EQ(combo->geometry().topLeft(), MapDialogRect(u, 43, 7, 66, 81).topLeft());
  EXPECT_EQ(dialog.Control(4242), nullptr);
  EXPECT_EQ(dialog.Control(-1), nullptr);

  // Buttons report their id to the dialog's command handler.
  int seen = 0;
  QObject::connect(&dialog, &SkinnedDialog::commandIssued, [&seen](int id) { seen = id; });
  cancel->click();
  EXPECT_EQ(seen, 2);
}

TEST(DialogTemplate, KindsAndFactory) {
  Settings settings;
  SkinnedDialog dialog(settings);
  DialogTemplate t;
  ASSERT_TRUE(LoadDialogTemplate(102, t));
  QWidget* made = nullptr;
  dialog.BuildFromTemplate(t, [&made](const ControlTemplate& c, QWidget* parent) -> QWidget* {
    if (c.id != 1003) return nullptr;
    made = new QLabel(QStringLiteral("players"), parent);
    return made;
  });
  EXPECT_EQ(dialog.Control(1003), made);
  EXPECT_NE(dialog.ControlAs<SkinnedListCtrl>(1000), nullptr);
  EXPECT_NE(dialog.ControlAs<ColourStatic>(1061), nullptr);
  EXPECT_NE(dialog.ControlAs<QCheckBox>(1062), nullptr);
  EXPECT_NE(dialog.ControlAs<QGroupBox>(1031), nullptr);
  auto* status = dialog.ControlAs<QLineEdit>(1071);
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->isReadOnly());
  EXPECT_FALSE(status->isEnabled());
  EXPECT_EQ(dialog.ControlAs<QLineEdit>(1007)->echoMode(), QLineEdit::Password);

  SkinnedDialog alias(settings);
  ASSERT_TRUE(LoadDialogTemplate(144, t));
  alias.BuildFromTemplate(t);
  EXPECT_NE(alias.ControlAs<ColourComboBox>(1058), nullptr);
  EXPECT_NE(alias.ControlAs<ColourStatic>(1059), nullptr);
}

}  // namespace
}  // namespace vyk
