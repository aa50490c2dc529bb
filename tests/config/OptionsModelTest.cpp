#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "TestHome.h"
#include "config/OptionsModel.h"
#include "platform/ProfileFile.h"

namespace vyk {
namespace {

struct Write {
  std::string section, key, value;
  bool operator==(const Write&) const = default;
};

std::vector<Write> Record(const PropertyRows& rows) {
  std::vector<Write> writes;
  WriteOptionRows(rows, [&](const std::string& s, const std::string& k, const std::string& v) {
    writes.push_back({s, k, v});
  });
  return writes;
}

TEST(OptionsModel, RowsComeInTheDialogsOrderWithTheirKindsAndBounds) {
  PropertyRows rows;
  FillOptionRows(rows, Settings{});
  using Row = std::tuple<std::string, int, int, int>;
  const std::vector<Row> expected = {
      {"Filter", 11, 0, 0},
      {"Hide Timeout", 10, 0, 0},
      {"Hide Full", 10, 0, 0},
      {"Hide Empty", 10, 0, 0},
      {"Only Buddy", 10, 0, 0},
      {"Maximum Ping", 3, 0, 9999},
      {"Good Ping", 3, 0, 9999},
      {"Bad Ping", 3, 0, 9999},
      {"Only Local", 10, 0, 0},
      {"Quake3", 11, 0, 0},
      {"Path", 6, 0, 0},
      {"Parameters", 1, 0, 0},
      {"Use fs_game", 10, 0, 0},
      {"Switch Protocol", 10, 0, 0},
      {"Use Alias", 10, 0, 0},
      {"General", 11, 0, 0},
      {"AddOnDirectRun", 10, 0, 0},
      {"Display on Reload", 10, 0, 0},
      {"Maximum Thread", 3, 1, 64},
      {"Background Color", 5, 0, 0},
      {"Text Color", 5, 0, 0},
      {"Selected Text Color", 5, 0, 0},
      {"Buddy Color", 5, 0, 0},
      {"Favorite Color", 5, 0, 0},
      {"Copy mIRC format", 10, 0, 0},
      {"Minimize On Connect", 10, 0, 0},
      {"Files", 11, 0, 0},
      {"Server File", 6, 0, 0},
      {"Buddy File", 6, 0, 0},
      {"Master Server", 11, 0, 0},
      {"Address", 1, 0, 0},
      {"port", 2, 1, 65535},
  };
  std::vector<Row> actual;
  for (const PropertyItem& item : rows.Items())
    actual.emplace_back(item.label, item.kind, item.minimum, item.maximum);
  EXPECT_EQ(actual, expected);

  const PropertyItem* path = rows.Find("Path");
  EXPECT_EQ(path->fileFilter, "Quake III |*.exe|All Files (*.*)|*.*|");
  EXPECT_EQ(path->openMode, 1);
  EXPECT_EQ(rows.Find("Server File")->fileFilter,
            "Server Files (*.vyk)|*.vyk|All Files (*.*)|*.*|");
  EXPECT_EQ(rows.Find("Buddy File")->fileFilter, "Buddy File (*.vyk)|*.vyk|All Files (*.*)|*.*|");
}

TEST(OptionsModel, OkWritesTheTwentySevenRowsInItsOwnOrder) {
  Settings s;
  s.gamePath = "/games/q3/quake3.x86";
  s.param = "+set a 1";
  s.maxThread = 8;
  s.masterServerPort = 27951;
  s.buddyColor = MakeColor(1, 2, 3);
  s.hideTimeOut = 0;
  s.serverListPath = "/x/server.vyk";
  PropertyRows rows;
  FillOptionRows(rows, s);
  const std::vector<Write> expected = {
      {"quake3", "path", "/games/q3/quake3.x86"},
      {"quake3", "Param", "+set a 1 "},
      {"quake3", "Use_fs_game", "0"},
      {"quake3", "SwitchProtocol", "1"},
      {"quake3", "UseAlias", "1"},
      {"info", "CopyIRCFormat", "1"},
      {"info", "DisplayOnReload", "1"},
      {"info", "Minimize", "1"},
      {"info", "LocalOnly", "0"},
      {"info", "MaxThread", "8"},
      {"info", "ServerList", "/x/server.vyk"},
      {"info", "PlayerList", ""},
      {"info", "MASTERSERVER", kDefaultMasterServer},
      {"info", "MASTERSERVERPORT", "27951"},
      {"info", "BuddyColor", "(1,2,3)"},
      {"info", "SelectedTextColor", "(255,0,0)"},
      {"info", "bgColor", "(0,0,0)"},
      {"info", "TextColor", "(180,180,180)"},
      {"info", "FavoriteColor", "(0,180,180)"},
      {"Filter", "HideTimeOut", "0"},
      {"Filter", "HideFull", "0"},
      {"Filter", "HideEmpty", "0"},
      {"Filter", "OnlyBuddy", "0"},
      {"info", "AddOnDirectRun", "1"},
      {"Filter", "MaxPing", "9999"},
      {"Filter", "GoodPing", "40"},
      {"Filter", "BadPing", "90"},
  };
  EXPECT_EQ(Record(rows), expected);
}

TEST(OptionsModel, AMissingRowIsSkippedAndTheOthersAreStillWritten) {
  PropertyRows rows;
  FillOptionRows(rows, Settings{});
  rows.RemoveItem(rows.Find("port")->id);
  rows.RemoveItem(rows.Find("Path")->id);
  const std::vector<Write> writes = Record(rows);
  EXPECT_EQ(writes.size(), 25u);
  EXPECT_EQ(writes.front().key, "Param");
  for (const Write& w : writes) EXPECT_NE(w.key, "MASTERSERVERPORT");
  EXPECT_TRUE(Record(PropertyRows{}).empty());
}

TEST(OptionsModel, WrittenValuesLoadBackAndTheParameterBlankIsDropped) {
  test::TestHome home;
  Settings s;
  s.param = "+set a 1";
  s.masterServer = "127.0.0.1";
  s.masterServerPort = 65535;
  s.textColor = MakeColor(10, 20, 30);
  PropertyRows rows;
  FillOptionRows(rows, s);
  WriteOptionRows(rows);
  EXPECT_EQ(ProfileFile::Read(ConfigFilePath(), "quake3", "Param").value_or("?"), "+set a 1");
  Settings loaded;
  loaded.Load();
  EXPECT_EQ(loaded.param, "+set a 1");
  EXPECT_EQ(loaded.masterServer, "127.0.0.1");  // written as MASTERSERVER, read as MasterServer
  EXPECT_EQ(loaded.masterServerPort, 65535);
  EXPECT_EQ(loaded.textColor, MakeColor(10, 20, 30));
  // Empty file rows fall back to the program directory on loading.
  EXPECT_EQ(loaded.serverListPath, home.Dir() + "server.vyk");
  EXPECT_EQ(loaded.buddyListPath, home.Dir() + "player.vyk");
}

// OK writes Config.ini once, with the bytes the rows written one at a time
// would give.
TEST(OptionsModel, OkWritesConfigOnceAsTheRowsOneByOneWould) {
  test::TestHome home;
  const std::string start = "[info]\nMasterServer=old\nLastAlias=me\n[DEBUG]\nLastrun=x\n";
  test::WriteFile(ConfigFilePath(), start);
  const std::string single = home.Dir() + "single.ini";
  test::WriteFile(single, start);
  Settings s;
  s.gamePath = "/games/q3";
  s.masterServer = "127.0.0.1";
  PropertyRows rows;
  FillOptionRows(rows, s);
  WriteOptionRows(
      rows, [&](const std::string& section, const std::string& key, const std::string& value) {
        ProfileFile::Write(single, section, key, value);
      });
  WriteOptionRows(rows);
  EXPECT_EQ(test::ReadFile(ConfigFilePath()), test::ReadFile(single));
}

}  // namespace
}  // namespace vyk
