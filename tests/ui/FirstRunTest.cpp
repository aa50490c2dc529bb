#include <gtest/gtest.h>

#include <QPushButton>
#include <set>

#include "TestHome.h"
#include "config/OptionsModel.h"
#include "platform/ProfileFile.h"
#include "ui/FirstRun.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/PropertyList.h"

namespace vyk {
namespace {

// Keys of a profile file, lower-cased as "section/key".
std::set<std::string> KeysOf(const std::string& text) {
  std::set<std::string> keys;
  std::string section;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!line.empty() && line.front() == '[') {
      section = line.substr(1, line.find(']') - 1);
    } else if (auto eq = line.find('='); eq != std::string::npos) {
      keys.insert(section + "/" + line.substr(0, eq));
    }
  }
  return keys;
}

int Press(OptionsDialog& dialog, int id) {
  EXPECT_EQ(dialog.parentWidget(), nullptr);  // shown without owner
  dialog.show();
  dialog.ControlAs<QPushButton>(id)->click();
  return dialog.result();
}

TEST(FirstRun, WithAConfigFileNothingIsShown) {
  test::TestHome home;
  WriteProfileInt("info", "MaxThread", 3);
  Settings settings;
  int runs = 0;
  EXPECT_TRUE(RunFirstRunIfNeeded(settings, [&](OptionsDialog&) { return ++runs, 2; }));
  EXPECT_EQ(runs, 0);
}

TEST(FirstRun, CancelEndsTheProgramAndWritesNothing) {
  test::TestHome home;
  Settings settings;
  EXPECT_FALSE(RunFirstRunIfNeeded(settings, [](OptionsDialog& d) { return Press(d, 2); }));
  EXPECT_FALSE(ConfigFileExists());
  EXPECT_TRUE(std::filesystem::is_empty(home.Path()));
  // Any other way out is not OK either.
  EXPECT_FALSE(RunFirstRunIfNeeded(settings, [](OptionsDialog&) { return 0; }));
  EXPECT_FALSE(ConfigFileExists());
}

TEST(FirstRun, OkCreatesTheFileWithEveryKey) {
  test::TestHome home;
  Settings settings;
  EXPECT_TRUE(RunFirstRunIfNeeded(settings, [](OptionsDialog& d) {
    d.List()->SetText("Address", "127.0.0.1");
    return Press(d, 1);
  }));
  ASSERT_TRUE(ConfigFileExists());
  const std::set<std::string> keys = KeysOf(test::ReadFile(ConfigFilePath()));
  const std::set<std::string> expected = {
      "info/bgcolor",          "info/textcolor",        "info/selectedtextcolor",
      "info/buddycolor",       "info/favoritecolor",    "info/maxthread",
      "info/serverlist",       "info/playerlist",       "info/masterserver",
      "info/masterserverport", "info/addondirectrun",   "quake3/protocol",
      "quake3/path",           "quake3/use_fs_game",    "filter/hidetimeout",
      "filter/hidefull",       "filter/hideempty",      "filter/onlybuddy",
      "filter/maxping",        "quake3/switchprotocol", "info/lastserversort",
      "quake3/param",          "info/aliaslist",        "quake3/usealias",
      "info/copyircformat",    "info/displayonreload",  "info/minimize",
      "filter/goodping",       "filter/badping",        "info/localonly",
      "info/moremasters",      "quake3/moreprotocols",  "filter/hidebotonly",
      "info/autorefresh",      "info/queryattempts"};
  EXPECT_EQ(keys.size(), 35u);
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(settings.masterServer, "127.0.0.1");
  EXPECT_EQ(ProfileFile::Read(ConfigFilePath(), "info", "ServerList").value_or(""),
            home.Dir() + "server.vyk");
  EXPECT_EQ(ProfileFile::Read(ConfigFilePath(), "info", "AliasList").value_or(""),
            home.Dir() + "Alias.vyk");
  // The next start-up is no first run.
  int runs = 0;
  EXPECT_TRUE(RunFirstRunIfNeeded(settings, [&](OptionsDialog&) { return ++runs, 2; }));
  EXPECT_EQ(runs, 0);
}

}  // namespace
}  // namespace vyk
