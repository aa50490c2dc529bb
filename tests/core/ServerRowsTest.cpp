#include <gtest/gtest.h>

#include "StatusFakes.h"
#include "TestHome.h"
#include "core/ServerCache.h"
#include "core/ServerRows.h"
#include "core/Settings.h"
#include "core/StatusLine.h"

namespace vyk {
namespace {

class ServerRowsTest : public ::testing::Test {
 protected:

  int Add(const std::string& host, int ping, bool silent = false) {
    ServerInfo record(host, 27960);
    record.queried = true;
    if (!silent) {
      record.ping = ping;
      record.info = {{"mapname", "q3dm17"}, {"sv_maxclients", "16"}};
    }
    return servers_.Add(record);
  }

  test::TestHome home_;
  test::RecordingStatus status_;
  ServerList servers_;
  NameList buddies_;
  Settings settings_;
};

TEST_F(ServerRowsTest, RebuildFiltersUnlessShowAllAndSortsByTheCurrentKey) {
  Add("10.0.0.1", 80);
  Add("10.0.0.2", 0, /*silent=*/true);
  Add("10.0.0.3", 20);
  ServerRows rows(kSortByPing);
  rows.Rebuild(servers_, buddies_, settings_, false);
  EXPECT_EQ(rows.Indices(), (std::vector<int>{2, 0}));
  rows.Rebuild(servers_, buddies_, settings_, true);
  EXPECT_EQ(rows.Indices(), (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(rows.RowOf(1), 2);
  EXPECT_EQ(rows.RowOf(7), -1);
  EXPECT_EQ(rows.IndexAt(0), 2);
  EXPECT_EQ(rows.IndexAt(3), -1);
  EXPECT_EQ(rows.IndexAt(-1), -1);
  EXPECT_TRUE(status_.Showed("  Align ServerList"));
}

TEST_F(ServerRowsTest, KeyEightKeepsListOrder) {
  Add("10.0.0.1", 80);
  Add("10.0.0.2", 20);
  Add("10.0.0.3", 50);
  ServerRows rows(kSortByPing);
  rows.Rebuild(servers_, buddies_, settings_, true);
  EXPECT_EQ(rows.Indices(), (std::vector<int>{1, 2, 0}));
  rows.SortBy(kSortNone, servers_);
  EXPECT_EQ(rows.SortKey(), kSortNone);
  EXPECT_TRUE(status_.Showed("  Sorting Server List"));
  // A rebuild under key 8 leaves the rows in server-list order.
  rows.Rebuild(servers_, buddies_, settings_, true);
  EXPECT_EQ(rows.Indices(), (std::vector<int>{0, 1, 2}));
}

TEST_F(ServerRowsTest, SortIsStableAndSilentServersGoLast) {
  for (int i = 0; i < 40; ++i) Add("10.0.1." + std::to_string(i), (i % 3) * 10, i % 5 == 0);
  ServerRows rows(kSortNone);
  rows.Rebuild(servers_, buddies_, settings_, true);
  rows.SortBy(kSortByPing, servers_);
  ASSERT_EQ(rows.Count(), 40);
  for (int r = 1; r < rows.Count(); ++r) {
    const ServerInfo& before = servers_.At(rows.IndexAt(r - 1));
    const ServerInfo& after = servers_.At(rows.IndexAt(r));
    ASSERT_LE(Compare(before, after, kSortByPing), 0) << r;
    if (Compare(before, after, kSortByPing) == 0) {
      EXPECT_LT(rows.IndexAt(r - 1), rows.IndexAt(r)) << "equal rows keep their order";
    }
  }
  EXPECT_TRUE(servers_.At(rows.IndexAt(39)).IsTimedOut());
  EXPECT_FALSE(servers_.At(rows.IndexAt(31)).IsTimedOut());
}

TEST_F(ServerRowsTest, LaunchCountAndFavoriteSortFromTheCacheAndKeepTies) {
  for (int i = 0; i < 6; ++i) Add("10.0.2." + std::to_string(i), 30);
  const int launches[] = {0, 2, 0, 1, 2, 0};
  for (int i = 0; i < 6; ++i) {
    for (int n = 0; n < launches[i]; ++n) IncrementConnectCount(servers_.At(i).Address());
  }
  SetFavorite(servers_.At(5).Address(), true);
  SetFavorite(servers_.At(2).Address(), true);
  ServerRows rows(kSortNone);
  rows.Rebuild(servers_, buddies_, settings_, true);
  rows.SortBy(kSortByConnectCount, servers_);
  EXPECT_EQ(rows.Indices(), (std::vector<int>{1, 4, 3, 0, 2, 5}));
  rows.SortBy(kSortByFavorite, servers_);
  EXPECT_EQ(rows.Indices(), (std::vector<int>{2, 5, 1, 4, 3, 0}));
  for (int r = 1; r < rows.Count(); ++r) {
    EXPECT_LE(
        Compare(servers_.At(rows.IndexAt(r - 1)), servers_.At(rows.IndexAt(r)), kSortByFavorite),
        0);
  }
}

TEST_F(ServerRowsTest, RebuildRecountsBuddiesBeforeTheBuddyFilter) {
  Add("10.0.0.1", 30);
  Add("10.0.0.2", 30);
  servers_.At(0).players.Add({"^3Bob", 10, 1, false});
  servers_.At(1).players.Add({"Alice", 10, 1, false});
  servers_.At(1).buddyCount = 5;  // stale, recounted
  buddies_.Add({"bob", 0, 0, false});
  settings_.onlyBuddy = 1;
  ServerRows rows(kSortByBuddies);
  rows.Rebuild(servers_, buddies_, settings_, false);
  EXPECT_EQ(rows.Indices(), std::vector<int>{0});
  EXPECT_EQ(servers_.At(0).buddyCount, 1);
  EXPECT_EQ(servers_.At(1).buddyCount, 0);
}

TEST_F(ServerRowsTest, ASearchAfterTheListChangedLooksAtTheServersAsTheyNowStand) {
  Add("10.0.0.1", 30);
  Add("10.0.0.2", 30);
  servers_.At(0).name = "Alpha";
  servers_.At(1).name = "Bravo";
  ServerRows rows(kSortNone);
  rows.SetSearch("alpha");
  rows.Rebuild(servers_, buddies_, settings_, true);
  EXPECT_EQ(rows.Indices(), std::vector<int>{0});
  // The first server goes: the second now stands at index 0.
  servers_.RemoveAt(0);
  rows.Rebuild(servers_, buddies_, settings_, true);
  EXPECT_TRUE(rows.Indices().empty());
  rows.SetSearch("bravo");
  rows.Refilter(servers_, settings_);
  EXPECT_EQ(rows.Indices(), std::vector<int>{0});
}

}  // namespace
}  // namespace vyk
