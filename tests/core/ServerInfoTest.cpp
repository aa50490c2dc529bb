#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "TestHome.h"
#include "core/ServerCache.h"
#include "core/ServerInfo.h"
#include "core/ServerList.h"
#include "platform/ProfileFile.h"

namespace vyk {
namespace {

using test::ReadFile;
using test::WriteFile;

class ServerInfoTest : public ::testing::Test {
 protected:
  test::TestHome home_;
};

ServerInfo Parsed(const std::string& text) {
  ServerInfo record;
  EXPECT_TRUE(record.SetAddress(text));
  return record;
}

TEST_F(ServerInfoTest, SetAddressSplitsHostAndPort) {
  struct Case {
    const char* text;
    const char* host;
    int port;
  } cases[] = {
      {" \t10.0.0.5:27950 \n", "10.0.0.5", 27950},
      {"q3.example.org", "q3.example.org", 27960},
      {"  q3.example.org  ", "q3.example.org", 27960},
      {"10.0.0.5:", "10.0.0.5", 27960},
      {"10.0.0.5:abc", "10.0.0.5", 27960},
      {"10.0.0.5:0", "10.0.0.5", 27960},
      {"10.0.0.5:  27951x", "10.0.0.5", 27951},
      {"10.0.0.5:-5", "10.0.0.5", 27960},
      {"10.0.0.5:10.0.0.5:27952", "10.0.0.5", 27952},        // every "host:" goes
      {"10.0.0.5:93487", "10.0.0.5", 27951},                 // low 16 bits
      {"10.0.0.5:65536", "10.0.0.5", 27960},                 // port 0 is no server
      {"10.0.0.5:99999999999999999999", "10.0.0.5", 65535},  // no overflow
      {":27953", "", 27953},
      {"", "", 27960},
      // IPv6 in brackets, kept in its shortest form; IPv4 written as IPv6 is IPv4.
      {" [::1]:27961 ", "::1", 27961},
      {"[2001:DB8:0::0001]", "2001:db8::1", 27960},
      {"[::1]:0", "::1", 27960},
      {"[::1]x", "::1", 27960},
      {"[::ffff:10.0.0.5]:27962", "10.0.0.5", 27962},
      {"[fe80::1%eth0]:27963", "fe80::1%eth0", 27963},  // as typed: a zone is no literal
      // Brackets that hold no IPv6 address are a host like any other.
      {"[q3]:27964", "[q3]", 27964},
      {"[::1", "[", 27960},
  };
  for (const Case& c : cases) {
    ServerInfo r = Parsed(c.text);
    EXPECT_EQ(r.host, c.host) << c.text;
    EXPECT_EQ(r.port, c.port) << c.text;
  }
  EXPECT_EQ(Parsed("[::1]:27961").Address(), "[::1]:27961");
  EXPECT_EQ(Parsed("[q3]:27964").Address(), "[q3]:27964");
  EXPECT_EQ(Parsed(" 10.0.0.5:27950 ").Address(), "10.0.0.5:27950");
}

TEST_F(ServerInfoTest, InfoLookupIsExactAndIndexesAreBounded) {
  ServerInfo r;
  r.info = {{"g_gametype", "4"}, {"sv_hostname", "first"}, {"sv_hostname", "second"}};
  EXPECT_EQ(r.InfoValue("sv_hostname"), "first");
  EXPECT_EQ(r.InfoValue("SV_HOSTNAME"), "");
  EXPECT_EQ(r.InfoValue("missing"), "");
  EXPECT_EQ(r.KeyAt(0), "g_gametype");
  EXPECT_EQ(r.ValueAt(2), "second");
  EXPECT_EQ(r.KeyAt(-1), "");
  EXPECT_EQ(r.ValueAt(3), "");
}

TEST_F(ServerInfoTest, NewRecordTakesItsNameFromTheCache) {
  ServerInfo unseen("10.0.0.1", 27960);
  EXPECT_EQ(unseen.name, "-");
  EXPECT_EQ(unseen.ping, kNoPing);
  EXPECT_FALSE(unseen.queried);
  SetCachedName("10.0.0.1:27960", "Frag Fest");
  EXPECT_EQ(ServerInfo("10.0.0.1", 27960, "pw").name, "Frag Fest");
  EXPECT_EQ(ServerInfo("10.0.0.1", 27961).name, "-");
}

TEST_F(ServerInfoTest, CopyTakesEverythingButTheNameWhichComesFromTheCache) {
  SetCachedName("10.0.0.2:27960", "cached");
  ServerInfo source("10.0.0.2", 27960, "rconpw");
  source.name = "from a reply";
  source.ping = 42;
  source.buddyCount = 3;
  source.queried = true;
  source.info = {{"a", "1"}, {"b", "2"}};
  source.players.Add({"buddy", 50, 7, false});
  source.players[0].isBuddy = true;
  source.pingUncertain = true;
  source.attempts.Add(3, 2);

  ServerInfo copy(source);
  ServerInfo assigned("other", 1);
  assigned.info = {{"stale", "x"}};
  assigned = source;
  for (const ServerInfo* r : {&copy, &assigned}) {
    EXPECT_EQ(r->name, "cached");
    EXPECT_EQ(r->Address(), "10.0.0.2:27960");
    EXPECT_EQ(r->password, "rconpw");
    EXPECT_EQ(r->ping, 42);
    EXPECT_EQ(r->buddyCount, 3);
    EXPECT_TRUE(r->queried);
    ASSERT_EQ(r->info.size(), 2u);
    EXPECT_EQ(r->KeyAt(1), "b");
    ASSERT_EQ(r->PlayerCount(), 1);
    EXPECT_TRUE(r->players[0].isBuddy);
    EXPECT_EQ(r->players[0].score, 7);
    EXPECT_TRUE(r->pingUncertain);
    EXPECT_EQ(LossTooltipText(*r), "Loss 2 of 3 (67 %), ping uncertain");
  }
  // A move keeps the record's own name: nothing is re-read.
  ServerInfo moved(std::move(source));
  EXPECT_EQ(moved.name, "from a reply");
}

TEST_F(ServerInfoTest, LossCountsTheLastFiveExchanges) {
  ServerInfo record("10.0.0.3", 27960);
  record.attempts.Add(0, 0);  // nothing sent: no exchange
  EXPECT_EQ(LossTooltipText(record), "");
  record.attempts.Add(4, 4);
  for (int i = 0; i < 4; ++i) record.attempts.Add(1, 0);
  EXPECT_EQ(LossTooltipText(record), "Loss 4 of 8 (50 %)");
  record.attempts.Add(2, 1);  // the oldest goes
  EXPECT_EQ(LossTooltipText(record), "Loss 1 of 6 (17 %)");
}

TEST_F(ServerInfoTest, NameListSkipsEmptyNamesAndIndexesSafely) {
  NameList list;
  EXPECT_EQ(list.Add({"", 1, 1, true}), -1);
  EXPECT_EQ(list.Add({"a", 1, 2, false}), 0);
  EXPECT_EQ(list.Add({"b", 3, 4, true}), 1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list[1].score, 4);
  list[5].name = "written into the default";
  EXPECT_EQ(list[-1].name, "");
  EXPECT_EQ(std::as_const(list)[2].name, "");
  NameList copy = list;
  EXPECT_TRUE(copy[1].isBuddy);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(copy.Count(), 2);
}

TEST_F(ServerInfoTest, ServerListGivesTheDefaultRecordOutOfRange) {
  SetCachedName("127.0.0.1:27960", "home");
  ServerList list;
  EXPECT_EQ(list.At(-1).Address(), "127.0.0.1:27960");
  EXPECT_EQ(list.At(0).name, "home");
  list.Add(ServerInfo("10.0.0.1", 27960));
  EXPECT_EQ(list.At(list.Count()).Address(), "127.0.0.1:27960");
  list.At(7).password = "leak";
  list.At(7).host = "elsewhere";
  EXPECT_EQ(list.At(8).password, "");
  EXPECT_EQ(std::as_const(list).At(8).host, "127.0.0.1");
}

TEST_F(ServerInfoTest, AddUniqueAndRemoveMatchingCompareHostPortAndName) {
  ServerList list;
  EXPECT_EQ(list.AddUnique(ServerInfo("10.0.0.1", 27960)), 0);
  EXPECT_EQ(list.AddUnique(ServerInfo("10.0.0.2", 27960)), 1);
  EXPECT_EQ(list.AddUnique(ServerInfo("10.0.0.1", 27960)), 0);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.AddUnique(ServerInfo("10.0.0.1", 27961)), 2);
  EXPECT_EQ(list.AddUnique(ServerInfo("10.0.0.1", 27960)), 0);

  ServerInfo renamed("10.0.0.2", 27960);
  renamed.name = "different";
  EXPECT_EQ(list.AddUnique(renamed), 3);  // same address, other name: kept twice
  EXPECT_EQ(list.Count(), 4);

  list.RemoveMatching(ServerInfo("10.0.0.1", 27960));
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.At(0).Address(), "10.0.0.2:27960");
  EXPECT_EQ(list.At(1).Address(), "10.0.0.1:27961");
  list.RemoveMatching(ServerInfo("10.9.9.9", 1));
  EXPECT_EQ(list.Count(), 3);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ServerInfoTest, CacheCountsLaunchesAndTogglesFavourites) {
  const std::string s = "10.0.0.3:27960";
  EXPECT_EQ(GetCachedName(s), "-");
  EXPECT_EQ(GetConnectCount(s), 0);
  EXPECT_FALSE(IsFavorite(s));
  EXPECT_EQ(ReadCacheValue("DIRECT RUN", "LastSERVER", "0.0.0.0:27960"), "0.0.0.0:27960");
  EXPECT_EQ(ReadCacheValue(s, "pass", ""), "");
  // Reading never writes a default back.
  EXPECT_FALSE(std::filesystem::exists(ServerCachePath()));

  IncrementConnectCount(s);
  IncrementConnectCount(s);
  EXPECT_EQ(GetConnectCount(s), 2);
  SetFavorite(s, true);
  EXPECT_TRUE(IsFavorite(s));
  SetFavorite(s, !IsFavorite(s));
  EXPECT_EQ(ReadCacheValue(s, "favorite", ""), "0");
  EXPECT_EQ(ServerCachePath(), home_.Dir() + "cache.srv");
}

TEST_F(ServerInfoTest, CacheReadsHandEditedValuesLikeTheCRuntime) {
  WriteFile(ServerCachePath(),
            "[a:1]\nfavorite=01\nconnectCount=abc\n"
            "[b:1]\nfavorite=yes\nconnectCount= -3x\n"
            "[c:1]\nfavorite= 1 \nconnectCount=99999999999\n"
            "[Q3.Example.ORG:27960]\nname=caps\n");
  EXPECT_FALSE(IsFavorite("a:1"));
  EXPECT_FALSE(IsFavorite("b:1"));
  EXPECT_TRUE(IsFavorite("c:1"));
  EXPECT_EQ(GetConnectCount("a:1"), 0);
  EXPECT_EQ(GetConnectCount("b:1"), -3);
  EXPECT_EQ(GetConnectCount("c:1"), 2147483647);
  IncrementConnectCount("a:1");
  EXPECT_EQ(GetConnectCount("a:1"), 1);
  IncrementConnectCount("c:1");  // stays at the top instead of wrapping
  EXPECT_EQ(GetConnectCount("c:1"), 2147483647);
  EXPECT_EQ(GetCachedName("q3.example.org:27960"), "caps");
  SetCachedName("q3.example.org:27960", "lower");
  EXPECT_EQ(ReadFile(ServerCachePath()).find("[q3.example.org"), std::string::npos);
  EXPECT_EQ(GetCachedName("Q3.EXAMPLE.ORG:27960"), "lower");
}

}  // namespace
}  // namespace vyk
