#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "TestHome.h"
#include "UiTestUtil.h"
#include "config/ConfigFile.h"
#include "core/ServerCache.h"
#include "core/ServerFilter.h"
#include "ui/PlayerListView.h"
#include "ui/ServerListView.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk::test {
namespace {

ServerInfo Answered(const std::string& host, int ping, int players, const std::string& max = "16") {
  ServerInfo s(host, 27960);
  s.queried = true;
  s.ping = ping;
  s.info = {{"mapname", "q3dm17"},
            {"sv_hostname", "Host"},
            {"sv_maxclients", max},
            {"sv_privateClients", "0"}};
  for (int i = 0; i < players; ++i) s.players.Add({"p" + std::to_string(i), 10, i, false});
  return s;
}

class ServerListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.bgColor = MakeColor(0, 0, 0);
    settings_.textColor = MakeColor(180, 180, 180);
    settings_.goodPing = 40;
    settings_.badPing = 90;
  }
  void Show(int width = 800) {
    view_.resize(width, 300);
    view_.SetUpColumns();
    view_.RebuildRows(true);
    view_.show();
    QApplication::processEvents();
  }
  QImage Grab() { return view_.viewport()->grab().toImage(); }
  int RowOfHost(const std::string& host) {
    for (int r = 0; r < view_.RowCount(); ++r)
      if (view_.Servers().At(view_.IndexAt(r)).host == host) return r;
    return -1;
  }
  int Pixels(const QImage& img, int row, int column, Color c) {
    return CountColour(img, view_.CellRect(row, column), c);
  }

  TestHome home_;
  Settings settings_;
  ServerBrowser browser_{settings_.lastServerSort};
  ServerListView view_{settings_, browser_};
};

TEST_F(ServerListViewTest, NeverQueriedServerShowsPlaceholdersAndNoIcon) {
  view_.Servers().Add(ServerInfo("10.0.0.1", 27960));
  Show();
  ASSERT_EQ(view_.RowCount(), 1);
  EXPECT_EQ(view_.ItemText(0, 0), "-");
  EXPECT_EQ(view_.ItemText(0, 2), "-/-");
  EXPECT_EQ(view_.ItemText(0, 3), "");
  EXPECT_EQ(view_.ItemText(0, 4), "");
  EXPECT_EQ(view_.ItemText(0, 5), "10.0.0.1:27960");
  const QImage img = Grab();
  const QRect icon = view_.CellRect(0, 0).adjusted(0, 0, -(view_.CellRect(0, 0).width() - 15), 0);
  EXPECT_EQ(CountPixels(img, icon, [](QRgb p) { return (p & 0xFFFFFF) != 0; }), 0);
  EXPECT_EQ(view_.CellText(0, 3), "10.0.0.1:27960");
}

TEST_F(ServerListViewTest, PingThresholdsPickTheIcon) {
  view_.Servers().Add(Answered("10.0.0.1", 40, 1));  // exactly goodPing
  view_.Servers().Add(Answered("10.0.0.2", 90, 1));  // exactly badPing
  view_.Servers().Add(Answered("10.0.0.3", 89, 1));  // one below badPing
  Show();
  const QImage img = Grab();
  const int good = RowOfHost("10.0.0.1"), bad = RowOfHost("10.0.0.2"), mid = RowOfHost("10.0.0.3");
  // The icon square: greenish for good, reddish for bad, amber for medium.
  auto dominant = [&](int row) {
    const QRect r = view_.CellRect(row, 0);
    const QRgb centre = img.pixel(r.left() + 8, r.top() + r.height() / 2);
    return QColor(centre);
  };
  EXPECT_GT(dominant(good).green(), dominant(good).red());
  EXPECT_GT(dominant(bad).red(), dominant(bad).green());
  EXPECT_GT(dominant(mid).red(), 150);
  EXPECT_GT(dominant(mid).green(), 100);
}

TEST_F(ServerListViewTest, SilentServerShowsTheNoAnswerIconAndHidesWithHideTimeOut) {
  ServerInfo silent("10.0.0.9", 27960);
  silent.queried = true;
  view_.Servers().Add(silent);
  view_.Servers().Add(Answered("10.0.0.1", 20, 1));
  settings_.hideTimeOut = 1;
  Show();
  ASSERT_EQ(view_.RowCount(), 2);  // a show-all rebuild keeps it
  const int row = RowOfHost("10.0.0.9");
  EXPECT_EQ(view_.ItemText(row, 4), "");
  const QImage img = Grab();
  const QRect r = view_.CellRect(row, 0);
  const QColor centre(img.pixel(r.left() + 8, r.top() + r.height() / 2));
  EXPECT_NEAR(centre.red(), centre.green(), 30);  // grey ball
  EXPECT_GT(centre.red(), 60);
  view_.RebuildRows(false);
  EXPECT_EQ(view_.RowCount(), 1);
}

TEST_F(ServerListViewTest, FullServerPaintsThePlayersCellRed) {
  ServerInfo s = Answered("10.0.0.1", 60, 12);
  s.info[3].value = "4";  // sv_privateClients: 12 of 16 leaves no public slot
  view_.Servers().Add(s);
  view_.Servers().Add(Answered("10.0.0.2", 60, 11, "16"));
  Show();
  const QImage img = Grab();
  EXPECT_GT(Pixels(img, RowOfHost("10.0.0.1"), 2, kBadColor), 0);
  EXPECT_EQ(Pixels(img, RowOfHost("10.0.0.2"), 2, kBadColor), 0);
}

TEST_F(ServerListViewTest, BuddyAndFavouriteRowsTakeTheirColours) {
  settings_.buddyColor = MakeColor(255, 0, 255);
  settings_.favoriteColor = MakeColor(0, 200, 200);
  ServerInfo s = Answered("10.0.0.1", 60, 2);
  s.players[1].name = "^1Bud^7dy";
  view_.Servers().Add(s);
  view_.Servers().Add(Answered("10.0.0.2", 60, 1));
  view_.Buddies().Add({"buddy", 0, 0, false});
  SetFavorite("10.0.0.1:27960", true);
  SetFavorite("10.0.0.2:27960", true);
  Show();
  const int both = RowOfHost("10.0.0.1"), fav = RowOfHost("10.0.0.2");
  EXPECT_EQ(view_.ItemText(both, 1), "1");
  const QImage img = Grab();
  EXPECT_GT(Pixels(img, both, 3, settings_.buddyColor), 0);
  EXPECT_GT(Pixels(img, fav, 3, settings_.favoriteColor), 0);
  EXPECT_GT(Pixels(img, fav, 7, settings_.favoriteColor), 0);  // ticked box
}

TEST_F(ServerListViewTest, TooltipJoinsPingAddressPlayersMapAndCutNameWithTheLossBelow) {
  settings_.queryAttempts = 1;
  view_.Servers().Add(Answered("10.0.0.1", 33, 2));
  view_.Servers().At(0).name = std::string(40, 'n');
  view_.Servers().At(0).attempts.Add(3, 2);
  view_.Servers().At(0).pingUncertain = true;
  Show();
  const std::string text = "33 ms | 10.0.0.1:27960 | 2/16 | q3dm17 | " + std::string(30, 'n') + " ";
  EXPECT_EQ(view_.CellText(0, 2), text);
  EXPECT_EQ(view_.TooltipText(0, 2).toStdString(), text);  // one request a refresh: no figures
  settings_.queryAttempts = 4;
  view_.RebuildRows(true);
  EXPECT_EQ(view_.CellText(0, 2), text);
  EXPECT_EQ(view_.TooltipText(0, 2).toStdString(), text + "\nLoss 2 of 3 (67 %), ping uncertain");
}

TEST_F(ServerListViewTest, DeleteSelectedAndRemoveTimedOut) {
  view_.Servers().Add(Answered("10.0.0.1", 20, 1));
  ServerInfo silent("10.0.0.2", 27960);
  silent.queried = true;
  view_.Servers().Add(silent);
  view_.Servers().Add(Answered("10.0.0.3", 20, 1));
  Show();
  view_.DeleteSelected();  // nothing selected
  EXPECT_EQ(view_.Servers().Count(), 3);
  view_.SetRowSelected(RowOfHost("10.0.0.3"), true);
  view_.DeleteSelected();
  EXPECT_EQ(view_.Servers().Count(), 2);
  EXPECT_EQ(view_.RowCount(), 2);
  view_.RemoveTimedOut();
  ASSERT_EQ(view_.Servers().Count(), 1);
  EXPECT_EQ(view_.ItemText(0, 5), "10.0.0.1:27960");
  EXPECT_EQ(view_.SummaryLineAt(5), view_.SummaryLineAt(-1));  // the default record
}

TEST_F(ServerListViewTest, SelectByAddressAndRowOf) {
  for (int i = 1; i <= 3; ++i)
    view_.Servers().Add(Answered("10.0.0." + std::to_string(i), 20 * i, 1));
  Show();
  view_.SelectByAddress("10.0.0.2:27960");
  ASSERT_EQ(view_.SelectedRows().size(), 1u);
  EXPECT_EQ(view_.IndexAt(view_.SelectedRows()[0]), 1);
  EXPECT_EQ(view_.RowOf(7), -1);
  view_.SelectRow(99);  // outside the list: nothing
  EXPECT_EQ(view_.SelectedRows().size(), 1u);
}

TEST_F(ServerListViewTest, HandEditedSortKeyFallsBackToPing) {
  settings_.lastServerSort = 42;
  view_.Servers().Add(Answered("10.0.0.1", 80, 1));
  view_.Servers().Add(Answered("10.0.0.2", 10, 1));
  Show();
  EXPECT_EQ(view_.SortKey(), kSortByPing);
  EXPECT_EQ(view_.ItemText(0, 5), "10.0.0.2:27960");
  view_.SortBy(kSortNone);  // remembered at once, in memory and in Config.ini
  EXPECT_EQ(settings_.lastServerSort, kSortNone);
  EXPECT_EQ(ReadRawProfileString("info", "LastServerSort"), "8");
}

TEST_F(ServerListViewTest, NarrowListGivesTheServerColumnItsMinimum) {
  view_.resize(400, 200);
  view_.SetUpColumns();
  EXPECT_EQ(view_.columnWidth(0), 100);
}

TEST(PlayerListViewTest, BuddyRowTintAndOnlyBuddySwitch) {
  TestHome home;
  Settings settings;
  settings.bgColor = MakeColor(0, 0, 0);
  settings.buddyColor = MakeColor(255, 0, 0);
  EXPECT_EQ(PlayerListView::BuddyTint(settings.buddyColor, settings.bgColor), MakeColor(85, 0, 0));

  PlayerListView view(settings);
  view.resize(400, 200);
  view.SetUpColumns();
  ServerInfo s;
  s.players.Add({"^1Red^7Guy", 12, 7, true});
  s.players.Add({"Other", 50, 1, false});
  view.ShowPlayers(s);
  view.show();
  QApplication::processEvents();
  ASSERT_EQ(view.RowCount(), 2);
  EXPECT_EQ(view.ItemText(0, 1), "12");
  EXPECT_EQ(view.ItemText(0, 2), "7");
  const QImage img = view.viewport()->grab().toImage();
  const QRect name = view.CellRect(0, 0);
  EXPECT_GT(CountColour(img, name, MakeColor(85, 0, 0)), 100);  // tinted row
  EXPECT_GT(CountColour(img, name, MakeColor(255, 0, 0)), 0);   // ^1 letters
  EXPECT_GT(CountColour(img, view.CellRect(0, 1), settings.buddyColor), 0);
  EXPECT_EQ(CountColour(img, view.CellRect(1, 0), MakeColor(85, 0, 0)), 0);

  WriteProfileInt("Display", "OnlyBuddy", 1);
  view.ShowPlayers(s);
  ASSERT_EQ(view.RowCount(), 1);
  s.players[0].isBuddy = false;
  view.ShowPlayers(s);
  EXPECT_EQ(view.RowCount(), 0);
}

}  // namespace
}  // namespace vyk::test
