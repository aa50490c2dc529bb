// Pictures of the small dialogs with some content, saved when VYK_SCREENSHOT_DIR names a
// directory; otherwise only checks that each one shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <filesystem>

#include "DialogFakes.h"
#include "TestHome.h"
#include "config/AliasList.h"
#include "config/BuddyList.h"
#include "core/ServerCache.h"
#include "core/ServerList.h"
#include "ui/ServerListView.h"
#include "ui/dialogs/AliasDialog.h"
#include "ui/dialogs/BuddyDialog.h"
#include "ui/dialogs/DirectRunDialog.h"
#include "ui/dialogs/ProtocolDialog.h"
#include "ui/dialogs/ServerListDialog.h"

namespace vyk {
namespace {

using test::WriteFile;

void Shoot(SkinnedDialog& d, const char* name) {
  d.show();
  QApplication::processEvents();
  EXPECT_TRUE(d.isVisible()) << name;
  const QString dir = qEnvironmentVariable("VYK_SCREENSHOT_DIR");
  if (!dir.isEmpty())
    d.grab().save(QDir(dir).filePath(QStringLiteral("dialog-%1.png").arg(QLatin1String(name))));
}

TEST(DialogScreenshots, SmallDialogs) {
  test::TestHome home;
  test::ScriptedPrompts prompts;
  Settings settings;
  settings.aliasListPath = home.Dir() + "Alias.vyk";
  settings.buddyListPath = home.Dir() + "player.vyk";
  settings.serverListPath = home.Dir() + "server.vyk";
  settings.gamePath = home.Dir() + "Quake3/QUAKE3.exe";
  std::filesystem::create_directories(home.Dir() + "Quake3");
  for (const char* f : {"quake3.66", "quake3.68", "QUAKE3.exe"})
    WriteFile(home.Dir() + "Quake3/" + f, "x");

  WriteFile(settings.aliasListPath, "^1Neo\n^4Trinity^7Rules\nMorpheus\n");
  AliasList aliases;
  aliases.Load(settings.aliasListPath);
  aliases.ChooseAlias(1);
  AliasDialog alias(settings, aliases);
  Shoot(alias, "alias");

  WriteFile(settings.buddyListPath, "Neo\nTrinity\nmorph\n");
  BuddyList buddies;
  buddies.Load(settings.buddyListPath);
  BuddyDialog buddy(settings, buddies, nullptr, &prompts);
  buddy.ControlAs<QLineEdit>(BuddyDialog::kName)->setText(QStringLiteral("Tank"));
  Shoot(buddy, "buddy");

  ProtocolDialog protocol(settings);
  Shoot(protocol, "protocol");

  settings.param = "+set cg_fov 100";
  WriteCacheValue("DIRECT RUN", "LastSERVER", "127.0.0.1:27960");
  ServerList servers;
  DirectRunDialog direct(settings, servers, "", nullptr);
  direct.ControlAs<QLineEdit>(DirectRunDialog::kInfo)
      ->setText(QStringLiteral("127.0.0.1:27960 | Loopback Arena | q3dm17 | 3/16 | 25 ms"));
  Shoot(direct, "directrun");

  ServerList mainList;
  const char* names[] = {"^1Loopback ^7Arena", "Rocket Garden", "-", "^3Duel ^7Corner"};
  for (int i = 0; i < 4; ++i) {
    const std::string address = "127.0.0.1:" + std::to_string(27960 + i);
    if (std::string(names[i]) != "-") SetCachedName(address, names[i]);
    ServerInfo record("127.0.0.1", static_cast<std::uint16_t>(27960 + i));
    if (i != 2) {
      record.queried = true;
      record.ping = 20 + 30 * i;
      record.info = {{"mapname", i % 2 ? "q3dm6" : "q3dm17"}, {"sv_maxclients", "16"}};
    }
    mainList.Add(record);
  }
  ServerListDialog editor(settings, mainList, nullptr, &prompts);
  editor.View().SetRowSelected(1, true);
  Shoot(editor, "serverlist");
}

}  // namespace
}  // namespace vyk
