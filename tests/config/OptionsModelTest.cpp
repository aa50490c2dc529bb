#include <gtest/gtest.h>

#include <set>
#include <type_traits>
#include <variant>
#include <vector>

#include "TestHome.h"
#include "config/ConfigFile.h"
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

// Config.ini after OK and a reload gives back every row's value: each is written under
// the key loading reads, in the form loading takes.
TEST(OptionsModel, EveryRowComesBackFromConfigIniAfterOk) {
  test::TestHome home;
  Settings changed;  // every row's value moved off its default, each differently
  int n = 0;
  for (const SettingDesc& d : SettingsTable()) {
    if (!d.HasRow()) continue;
    ++n;
    std::visit(
        [&](auto member) {
          auto& value = changed.*member;
          using Value = std::remove_cvref_t<decltype(value)>;
          if constexpr (std::is_same_v<Value, bool>)
            value = !value;
          else if constexpr (std::is_same_v<Value, std::string>)
            value = "/x/" + std::to_string(n);
          else if constexpr (std::is_same_v<Value, Color>)
            value = MakeColor(n, 2 * n, 3 * n);
          else
            value = static_cast<Value>(d.row.minimum + n);
        },
        d.field);
  }
  PropertyRows rows;
  FillOptionRows(rows, changed);
  WriteOptionRows(rows);
  Settings loaded;
  LoadSettings(loaded);
  for (const SettingDesc& d : SettingsTable()) {
    if (!d.HasRow()) continue;
    std::visit([&](auto member) { EXPECT_EQ(loaded.*member, changed.*member) << d.row.label; },
               d.field);
  }
}

TEST(OptionsModel, CategoriesComeOnceAndNumbersRefuseValuesOutsideTheirBounds) {
  PropertyRows rows;
  FillOptionRows(rows, Settings{});
  ASSERT_GT(rows.Count(), 0);
  EXPECT_EQ(rows.Items().front().kind, kPropertyCategory);
  std::set<std::string> categories;
  int numbers = 0;
  for (const PropertyItem& item : rows.Items()) {
    if (item.kind == kPropertyCategory) {
      EXPECT_TRUE(categories.insert(item.label).second) << item.label;
    }
    if (item.kind != kPropertyNumber && item.kind != kPropertyBoundedNumber) continue;
    ++numbers;
    const std::int32_t start = item.integer;
    EXPECT_LE(item.minimum, start) << item.label;
    EXPECT_GE(item.maximum, start) << item.label;
    EXPECT_FALSE(rows.CommitNumber(item.id, std::to_string(item.minimum - 1))) << item.label;
    EXPECT_FALSE(rows.CommitNumber(item.id, std::to_string(item.maximum + 1))) << item.label;
    EXPECT_EQ(item.integer, start);
    EXPECT_TRUE(rows.CommitNumber(item.id, std::to_string(item.minimum))) << item.label;
    EXPECT_TRUE(rows.CommitNumber(item.id, std::to_string(item.maximum))) << item.label;
  }
  EXPECT_EQ(categories.size(), 6u);
  EXPECT_EQ(numbers, 7);
}

TEST(OptionsModel, OkWritesEveryRowInItsOwnOrder) {
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
      {"info", "MoreMasters", ""},
      {"quake3", "MoreProtocols", ""},
      {"info", "QueryAttempts", "4"},
      {"Filter", "HideBotOnly", "0"},
      {"info", "AutoRefresh", "0"},
  };
  EXPECT_EQ(Record(rows), expected);
}

TEST(OptionsModel, AMissingRowIsSkippedAndTheOthersAreStillWritten) {
  PropertyRows rows;
  FillOptionRows(rows, Settings{});
  rows.RemoveItem(rows.Find("port")->id);
  rows.RemoveItem(rows.Find("Path")->id);
  const std::vector<Write> writes = Record(rows);
  EXPECT_EQ(writes.size(), 30u);
  EXPECT_EQ(writes.front().key, "Param");
  for (const Write& w : writes) EXPECT_NE(w.key, "MASTERSERVERPORT");
  EXPECT_TRUE(Record(PropertyRows{}).empty());
}

TEST(OptionsModel, WrittenValuesLoadBackAndTheParameterBlankIsDropped) {
  test::TestHome home;
  Settings s;
  s.param = "+set a 1";
  PropertyRows rows;
  FillOptionRows(rows, s);
  WriteOptionRows(rows);
  EXPECT_EQ(ProfileFile::Read(ConfigFilePath(), "quake3", "Param").value_or("?"), "+set a 1");
  Settings loaded;
  LoadSettings(loaded);
  EXPECT_EQ(loaded.param, "+set a 1");
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
