#include <gtest/gtest.h>

#include <optional>
#include <utility>

#include "TestHome.h"
#include "core/BuddyMatch.h"
#include "core/BuddyWatch.h"
#include "core/PlayerKinds.h"
#include "core/ServerCache.h"
#include "core/ServerCellColor.h"
#include "core/ServerColumns.h"
#include "core/ServerFilter.h"
#include "core/ServerSearch.h"
#include "core/Settings.h"
#include "platform/CountryLookup.h"

namespace vyk {
namespace {

ServerInfo Answering(const std::string& host, int ping, int players,
                     const std::string& map = "q3dm17", const std::string& maxClients = "16") {
  ServerInfo record(host, 27960);
  record.queried = true;
  record.ping = ping;
  record.info = {{"mapname", map}};
  if (!maxClients.empty()) record.info.push_back({"sv_maxclients", maxClients});
  for (int p = 0; p < players; ++p)
    record.players.Add({"player" + std::to_string(p), 50, 0, false});
  return record;
}

ServerInfo Silent(const std::string& host) {
  ServerInfo record(host, 27960);
  record.queried = true;
  return record;
}

class FilterTest : public ::testing::Test {
 protected:
  test::TestHome home_;
  Settings settings_;
};

TEST_F(FilterTest, DefaultsHideOnlySilentServers) {
  EXPECT_TRUE(PassesFilters(Answering("a", 40, 0), settings_));
  EXPECT_FALSE(PassesFilters(Silent("b"), settings_));
  ServerInfo neverQueried("c", 27960);
  EXPECT_TRUE(PassesFilters(neverQueried, settings_));  // ping 9999 is not above 9999
  settings_.hideTimeOut = 0;
  EXPECT_TRUE(PassesFilters(Silent("b"), settings_));
}

TEST_F(FilterTest, MaxPingHidesUnansweredServersEvenWithoutHideTimeOut) {
  settings_.hideTimeOut = 0;
  settings_.maxPing = 100;
  EXPECT_FALSE(PassesFilters(Silent("a"), settings_));
  EXPECT_FALSE(PassesFilters(ServerInfo("b", 1), settings_));
  EXPECT_TRUE(PassesFilters(Answering("c", 100, 1), settings_));
  EXPECT_FALSE(PassesFilters(Answering("d", 101, 1), settings_));
}

TEST_F(FilterTest, EmptyFullAndBuddyFilters) {
  settings_.hideEmpty = 1;
  EXPECT_FALSE(PassesFilters(Answering("a", 40, 0), settings_));
  EXPECT_TRUE(PassesFilters(Answering("a", 40, 1), settings_));

  settings_.hideFull = 1;
  ServerInfo privateSlots = Answering("b", 40, 12, "q3dm6", "16");
  privateSlots.info.push_back({"sv_privateClients", "4"});
  EXPECT_TRUE(PassesFilters(privateSlots, settings_));  // 12 < 16, private slots not subtracted
  EXPECT_FALSE(PassesFilters(Answering("c", 40, 16, "q3dm6", "16"), settings_));
  EXPECT_FALSE(PassesFilters(Answering("c", 40, 3, "q3dm6", "abc"), settings_));  // reads as 0
  EXPECT_TRUE(PassesFilters(Answering("d", 40, 40, "q3dm6", ""), settings_));
  EXPECT_TRUE(PassesFilters(Answering("e", 40, 3, "q3dm6", "99999999999999"), settings_));

  settings_.onlyBuddy = 1;
  ServerInfo withBuddy = Answering("f", 40, 2);
  EXPECT_FALSE(PassesFilters(withBuddy, settings_));
  withBuddy.buddyCount = 1;
  EXPECT_TRUE(PassesFilters(withBuddy, settings_));
}

TEST_F(FilterTest, CellColoursBuddyOverFavouriteButPingAndFullByTheirOwnRules) {
  settings_.goodPing = 40;
  settings_.badPing = 90;
  ServerCellLook look{.favorite = true, .buddies = true, .full = false, .ping = 60};
  EXPECT_EQ(ServerCellColor(look, kMapColumn, settings_), settings_.buddyColor);
  EXPECT_EQ(ServerCellColor(look, kPingColumn, settings_), std::nullopt);  // neither colour
  EXPECT_EQ(ServerCellColor(look, kServerNameColumn, settings_), std::nullopt);
  look.buddies = false;
  EXPECT_EQ(ServerCellColor(look, kPlayersColumn, settings_), settings_.favoriteColor);
  look.full = true;
  EXPECT_EQ(ServerCellColor(look, kPlayersColumn, settings_), kBadColor);
  for (auto [ping, colour] : {std::pair<int, std::optional<Color>>{40, kGoodPingColor},
                              {90, kBadColor},
                              {89, std::nullopt}})
    EXPECT_EQ(ServerCellColor({.ping = ping}, kPingColumn, settings_), colour) << ping;

  ServerInfo privateSlots = Answering("b", 40, 12, "q3dm6", "16");
  privateSlots.info.push_back({"sv_privateClients", "4"});
  EXPECT_TRUE(FillsPublicSlots(privateSlots));  // 12 of 16 with 4 private
  EXPECT_FALSE(FillsPublicSlots(Answering("c", 40, 11, "q3dm6", "12")));
  EXPECT_FALSE(FillsPublicSlots(ServerInfo()));  // no players: never full
  // Values past 32 bits are not cut before the subtraction: 10 public slots here.
  ServerInfo absurd = Answering("d", 40, 5, "q3dm6", "3000000000");
  absurd.info.push_back({"sv_privateClients", "2999999990"});
  EXPECT_FALSE(FillsPublicSlots(absurd));
}

TEST_F(FilterTest, SilentServersGoLastForBuddyPlayerMapAndPingOnly) {
  ServerInfo silent = Silent("1.1.1.1");
  ServerInfo slow = Answering("2.2.2.2", 500, 0, "zzz");
  for (int key : {kSortByBuddies, kSortByPlayers, kSortByMap, kSortByPing}) {
    EXPECT_GT(Compare(silent, slow, key), 0) << key;
    EXPECT_LT(Compare(slow, silent, key), 0) << key;
    EXPECT_EQ(Compare(silent, Silent("3.3.3.3"), key), 0) << key;
  }
  EXPECT_LT(Compare(silent, slow, kSortByAddress), 0);
}

TEST_F(FilterTest, KeysCompareAsTheirColumnsRead) {
  ServerInfo a = Answering("10.0.0.10", 30, 5, "q3dm6");
  ServerInfo b = Answering("10.0.0.9", 80, 2, "Q3DM7");
  a.buddyCount = 1;
  EXPECT_LT(Compare(a, b, kSortByBuddies), 0);
  EXPECT_LT(Compare(a, b, kSortByPlayers), 0);
  EXPECT_GT(Compare(a, b, kSortByMap), 0);  // byte-wise: capitals first
  EXPECT_LT(Compare(a, b, kSortByPing), 0);
  EXPECT_LT(Compare(a, b, kSortByAddress), 0);  // 10.0.0.10 before 10.0.0.9 as text
  EXPECT_EQ(Compare(a, b, kSortNone), 0);
  EXPECT_EQ(Compare(a, b, 42), 0);
  EXPECT_EQ(Compare(a, a, kSortByPing), 0);
}

TEST_F(FilterTest, NamesInByteOrderThenEmptyThenNeverNamed) {
  ServerInfo named = Silent("a");
  named.name = "^1Zeta";
  ServerInfo other = Silent("b");
  other.name = "Alpha";
  ServerInfo empty = Silent("c");
  empty.name = "";
  ServerInfo unnamed = Silent("d");
  ASSERT_EQ(unnamed.name, "-");
  EXPECT_LT(Compare(other, named, kSortByName), 0);
  EXPECT_GT(Compare(named, other, kSortByName), 0) << "^ (0x5E) sorts after A";
  EXPECT_LT(Compare(named, empty, kSortByName), 0);
  EXPECT_LT(Compare(empty, unnamed, kSortByName), 0);
  EXPECT_GT(Compare(unnamed, empty, kSortByName), 0);
  EXPECT_EQ(Compare(unnamed, Silent("e"), kSortByName), 0);
  ServerInfo empty2 = Silent("f");
  empty2.name = "";
  EXPECT_EQ(Compare(empty, empty2, kSortByName), 0);
  ServerInfo high = Silent("g");
  high.name = "\xE9t\xE9";  // bytes above 127 sort after ASCII letters
  EXPECT_LT(Compare(other, high, kSortByName), 0);
}

TEST_F(FilterTest, ConnectCountAndFavoriteComeFromTheCache) {
  ServerInfo a = Answering("10.0.0.1", 30, 1);
  ServerInfo b = Answering("10.0.0.2", 30, 1);
  EXPECT_EQ(Compare(a, b, kSortByConnectCount), 0);
  EXPECT_EQ(Compare(a, b, kSortByFavorite), 0);
  IncrementConnectCount(b.Address());
  SetFavorite(b.Address(), true);
  EXPECT_GT(Compare(a, b, kSortByConnectCount), 0);
  EXPECT_GT(Compare(a, b, kSortByFavorite), 0);
  WriteCacheValue(a.Address(), "favorite", "yes");  // only "1" is a favourite
  EXPECT_GT(Compare(a, b, kSortByFavorite), 0);
}

TEST(CountBuddies, MatchesStrippedNamesWithoutCaseAndCountsEachPlayerOnce) {
  NameList players;
  for (const char* name : {"^1A^2bc", "xABCx", "abc", "bob", "^^12abc"})
    players.Add({name, 0, 0, false});
  players[3].isBuddy = true;  // stale flags are cleared first
  NameList buddies;
  buddies.Add({"abc", 0, 0, false});
  buddies.Add({"bc", 0, 0, false});
  EXPECT_EQ(CountBuddies(players, buddies), 4);
  EXPECT_TRUE(players[0].isBuddy);
  EXPECT_TRUE(players[1].isBuddy);
  EXPECT_TRUE(players[2].isBuddy);
  EXPECT_FALSE(players[3].isBuddy);
  EXPECT_TRUE(players[4].isBuddy);  // "^^12abc" strips to "abc"
  NameList none;
  EXPECT_EQ(CountBuddies(players, none), 0);
  EXPECT_FALSE(players[0].isBuddy);
}

}  // namespace
}  // namespace vyk

namespace vyk {
namespace {

// The search looks through the fields and then the players, colour codes
// stripped and letters folded; a match by a player's name alone names the player.
TEST_F(FilterTest, SearchFindsNameMapModAddressOrAPlayer) {
  ServerInfo record = Answering("10.0.0.7", 30, 0, "Q3DM17");
  record.name = "^1Rocket ^7Arena";
  record.info.push_back({"gamename", "OSP"});
  record.players.Add({"^4Sar^7ge", 0, 3, false});
  record.players.Add({"^2Visor", 40, 1, false});
  const std::string haystack = SearchHaystack(record);
  const auto find = [&](const std::string& typed) {
    const SearchMatch m = FindInHaystack(haystack, SearchNeedle(typed));
    return m.found ? m.player : -2;
  };
  EXPECT_EQ(find("rocket arena"), -1);
  EXPECT_EQ(find("^3ROCK"), -1);  // the typed colour codes go too
  EXPECT_EQ(find("dm17"), -1);
  EXPECT_EQ(find("osp"), -1);
  EXPECT_EQ(find("0.7:2796"), -1);
  EXPECT_EQ(find("SARGE"), 0);
  EXPECT_EQ(find("visor"), 1);
  EXPECT_EQ(find(""), -1);
  EXPECT_EQ(find("arena\nsarge"), -2);  // never across two fields
  EXPECT_EQ(find("keel"), -2);
  EXPECT_EQ(BotCount(record), 1);
  EXPECT_EQ(HumanCount(record), 1);
}

TEST(BuddyWatchTest, EachBuddyAndServerToldOnceUntilTheyLeave) {
  test::TestHome home;
  ServerList servers;
  servers.Add(Answering("10.0.0.1", 30, 0));
  servers.Add(Answering("10.0.0.2", 30, 0));
  const auto put = [&](int index, std::vector<std::string> buddies) {
    ServerInfo& r = servers.At(index);
    r.players.Clear();
    for (const std::string& name : buddies) r.players.Add({name, 50, 0, true});
  };
  BuddyWatch watch;
  put(0, {"^1Sarge"});
  EXPECT_TRUE(watch.Update(servers).empty());  // the first refresh takes note
  put(1, {"Visor", "visor"});
  auto seen = watch.Update(servers);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].address, "10.0.0.2:27960");
  EXPECT_EQ(seen[0].player, "Visor");
  EXPECT_TRUE(watch.Update(servers).empty());
  // A silent server keeps its buddies; one who left and came back is told again.
  servers.At(1).ping = kNoPing;
  servers.At(1).info.clear();
  put(0, {});
  EXPECT_TRUE(watch.Update(servers).empty());
  servers.At(1) = Answering("10.0.0.2", 30, 0);
  put(1, {"Visor"});
  put(0, {"Sarge"});
  seen = watch.Update(servers);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].player, "Sarge");
}

}  // namespace
}  // namespace vyk

namespace vyk {
namespace {

TEST_F(FilterTest, HideBotOnlyKeepsEmptyServersAndAnyWithAHuman) {
  settings_.hideBotOnly = true;
  ServerInfo bots = Answering("10.0.0.1", 30, 0);
  bots.players.Add({"Sarge", 0, 1, false});
  bots.players.Add({"Doom", 0, 1, false});
  EXPECT_FALSE(PassesFilters(bots, settings_));
  EXPECT_EQ(ServerCellText(bots, kPlayersColumn), "0+2/16");
  bots.players.Add({"Human", 70, 1, false});
  EXPECT_TRUE(PassesFilters(bots, settings_));
  EXPECT_EQ(ServerCellText(bots, kPlayersColumn), "1+2/16");
  EXPECT_TRUE(PassesFilters(Answering("10.0.0.2", 30, 0), settings_));  // empty: Hide Empty's
  EXPECT_EQ(ServerCellText(Answering("10.0.0.2", 30, 3), kPlayersColumn), "3/16");
}

// The country column sorts by the tenth key, so the classic "keep the order" stays 8.
TEST_F(FilterTest, CountryColumnSortsByItsOwnKeyWithoutCodesLast) {
  EXPECT_EQ(SortKeyOfColumn(kCountryColumn), kSortByCountry);
  EXPECT_EQ(ColumnOfSortKey(kSortByCountry), kCountryColumn);
  EXPECT_EQ(ColumnOfSortKey(kSortNone), -1);
  EXPECT_EQ(SortKeyOfColumn(kPingColumn), kSortByPing);
  EXPECT_STREQ(ServerColumnTitle(kCountryColumn), "Country");
  const ServerInfo named("q3.example.org", 27960);  // a name is never looked up
  EXPECT_EQ(ServerCellText(named, kCountryColumn), "");
  if (CountryCode("8.8.8.8").empty()) GTEST_SKIP() << "no GeoIP database on this machine";
  const ServerInfo us("8.8.8.8", 27960), de("81.169.145.1", 27960), v6("2a00:1450:4001:80b::200e", 1);
  EXPECT_EQ(ServerCellText(us, kCountryColumn), "US");
  EXPECT_EQ(ServerCellText(v6, kCountryColumn), "DE");
  EXPECT_LT(Compare(de, us, kSortByCountry), 0);
  EXPECT_LT(Compare(us, named, kSortByCountry), 0);
  // Without the databases the column stays empty and nothing fails.
  SetCountryDatabaseFolder(home_.Dir());
  EXPECT_EQ(ServerCellText(us, kCountryColumn), "");
  SetCountryDatabaseFolder("");
  EXPECT_EQ(ServerCellText(us, kCountryColumn), "US");
}

}  // namespace
}  // namespace vyk
