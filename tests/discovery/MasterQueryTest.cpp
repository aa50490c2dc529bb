// Exchanges with the loopback master of the server farm and with scripted
// peers on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "Farm.h"
#include "ScriptedPeer.h"
#include "TestHome.h"
#include "core/HostPort.h"
#include "core/ServerCache.h"
#include "core/ServerList.h"
#include "core/Settings.h"
#include "discovery/MasterQuery.h"
#include "discovery/Masters.h"

namespace vyk {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kTestWait = std::chrono::seconds(5);

std::vector<std::string> Entries(const MasterQuery& query) {
  std::vector<std::string> out;
  for (int i = 0; i < query.EntryCount(); ++i) {
    out.push_back(MasterEntryHost(query.EntryAt(i)) + ":" +
                  std::to_string(MasterEntryPort(query.EntryAt(i))));
  }
  return out;
}

std::vector<q3sim::MasterEntry> Listed(int count) {
  std::vector<q3sim::MasterEntry> entries;
  for (int i = 0; i < count; ++i) {
    entries.push_back(
        {{10, 1, static_cast<std::uint8_t>(i / 256), static_cast<std::uint8_t>(i % 256)},
         static_cast<std::uint16_t>(20000 + i)});
  }
  return entries;
}

class MasterQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(farm_.OpenMaster(), 0);
    ASSERT_TRUE(farm_.Start());
  }
  void ListOnly(std::vector<q3sim::MasterEntry> entries) {
    q3sim::MasterConfig config;
    config.listFarm = false;
    config.extraEntries = std::move(entries);
    farm_.SetMasterConfig(config);
  }

  test::TestHome home_;
  q3sim::Farm farm_;
};

TEST_F(MasterQueryTest, ListsEmptyBotOnlyAndFullServersOfThatProtocol) {
  const int a = farm_.AddServer(q3sim::DefaultServerConfig("A", "q3dm1", 68));
  farm_.AddServer(q3sim::DefaultServerConfig("old", "q3dm1", 66));
  q3sim::ServerConfig bots = q3sim::DefaultServerConfig("Bots", "q3dm2", 68);
  bots.players = {{3, 0, "Sarge"}, {1, 0, "Doom"}};
  const int b = farm_.AddServer(bots);
  q3sim::ServerConfig full = q3sim::DefaultServerConfig("Full", "q3dm3", 68);
  full.players.assign(16, {5, 60, "player"});
  const int f = farm_.AddServer(full);

  MasterQuery query("127.0.0.1", farm_.MasterPort());
  EXPECT_EQ(query.RequestServers("68", kTestWait), 3);

  EXPECT_EQ(farm_.GetMasterStats().lastRequest,
            std::string("\xFF\xFF\xFF\xFFgetservers 68 empty full\0", 29));
  EXPECT_EQ(Entries(query),
            (std::vector<std::string>{farm_.Address(a), farm_.Address(b), farm_.Address(f)}));
}

TEST_F(MasterQueryTest, LongListInSeveralDatagramsArrivesWholeAndInOrder) {
  // 392 entries fill two datagrams that end right after a port; a third
  // carries only the end marker. 500 end in a partly filled datagram.
  for (int count : {392, 500}) {
    ListOnly(Listed(count));
    MasterQuery query("127.0.0.1", farm_.MasterPort());
    ASSERT_EQ(query.RequestServers("68", kTestWait), count);
    const std::vector<std::string> entries = Entries(query);
    EXPECT_EQ(entries.front(), "10.1.0.0:20000");
    EXPECT_EQ(entries[195], "10.1.0.195:20195");
    EXPECT_EQ(entries[196], "10.1.0.196:20196");
    EXPECT_EQ(entries.back(), "10.1." + std::to_string((count - 1) / 256) + "." +
                                  std::to_string((count - 1) % 256) + ":" +
                                  std::to_string(20000 + count - 1));
  }
}

TEST_F(MasterQueryTest, DuplicatesStayAndASecondRequestStartsAfresh) {
  const std::vector<q3sim::MasterEntry> twice = {{{10, 0, 0, 1}, 27960}, {{10, 0, 0, 1}, 27960}};
  ListOnly(twice);
  MasterQuery query("127.0.0.1", farm_.MasterPort());
  EXPECT_EQ(query.RequestServers("68", kTestWait), 2);
  EXPECT_EQ(query.RequestServers("68", kTestWait), 2);
  EXPECT_EQ(Entries(query), (std::vector<std::string>{"10.0.0.1:27960", "10.0.0.1:27960"}));
  EXPECT_EQ(farm_.GetMasterStats().requests, 2u);
}

TEST_F(MasterQueryTest, EmptySlowAndSilentMasters) {
  ListOnly({});
  MasterQuery query("127.0.0.1", farm_.MasterPort());
  EXPECT_EQ(query.RequestServers("68", kTestWait), 0);
  for (int index : {-1, 0, 1 << 30}) EXPECT_EQ(query.EntryAt(index).address, 0u);

  q3sim::MasterConfig config;
  config.listFarm = false;
  config.extraEntries = Listed(3);
  config.delayMs = 150;
  farm_.SetMasterConfig(config);
  EXPECT_EQ(query.RequestServers("68", kTestWait), 3);
  EXPECT_EQ(query.EntryAt(3).port, 0u);

  config.silent = true;
  farm_.SetMasterConfig(config);
  const auto start = Clock::now();
  EXPECT_EQ(query.RequestServers("68", 300ms), 0);
  EXPECT_GE(Clock::now() - start, 290ms);
  EXPECT_EQ(farm_.GetMasterStats().requests, 3u);
}

TEST_F(MasterQueryTest, ServersJoinTheListOnceWithTheirCachedNames) {
  ListOnly({{{10, 0, 0, 1}, 27960}, {{10, 0, 0, 2}, 27961}, {{10, 0, 0, 1}, 27960}});
  SetCachedName("10.0.0.2:27961", "Known Arena");
  ServerList list;
  for (int request = 0; request < 2; ++request) {
    MasterQuery query("127.0.0.1", farm_.MasterPort());
    ASSERT_EQ(query.RequestServers("68", kTestWait), 3);
    AddMasterServers(query, list);
  }
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.At(0).Address(), "10.0.0.1:27960");
  EXPECT_EQ(list.At(0).name, "-");
  EXPECT_EQ(list.At(1).Address(), "10.0.0.2:27961");
  EXPECT_EQ(list.At(1).name, "Known Arena");
  EXPECT_EQ(list.At(1).ping, 9999);
  EXPECT_FALSE(list.At(1).queried);
}

TEST(MasterQueryHost, UnresolvableOrBroadcastHostSendsNothing) {
  for (const char* host : {"master.invalid", "255.255.255.255", ""}) {
    MasterQuery query(host, 27950);
    EXPECT_EQ(query.RequestServers("68", 5s), 0) << host;
  }
}

// Raw datagrams: the header, then "\" and six bytes per entry.
std::string Datagram(int first, int count, const std::string& tail) {
  std::string bytes("\xFF\xFF\xFF\xFFgetserversResponse", 22);
  for (int i = first; i < first + count; ++i) {
    bytes += {'\\', 10, 2, 0, static_cast<char>(i), static_cast<char>(0x6D), 0x38};
  }
  return bytes + tail;
}
const std::string kEot("\\EOT\0\0\0", 7);

TEST(MasterQueryTiming, DatagramsAreReadUntilTheListEnds) {
  struct Case {
    const char* what;
    std::vector<test::ScriptedPeer::Step> script;
    int entries;
  };
  const Case cases[] = {
      {"later datagrams of a long list cross the network apart",
       {{0ms, Datagram(0, 3, "")}, {80ms, Datagram(3, 3, "")}, {80ms, Datagram(6, 2, kEot)}},
       8},
      {"after the end marker only queued datagrams count",
       {{0ms, Datagram(0, 2, kEot)}, {300ms, Datagram(2, 2, kEot)}},
       2},
      {"older masters end with a bare \\EOT",
       {{0ms, Datagram(0, 2, std::string("\\EOT", 4))}, {300ms, Datagram(2, 2, kEot)}},
       2},
      {"a header alone adds nothing and ends nothing",
       {{0ms, Datagram(0, 0, "\\")}, {0ms, Datagram(0, 1, kEot)}},
       1},
      {"an empty datagram ends the exchange",
       {{0ms, Datagram(0, 1, "")}, {0ms, ""}, {0ms, Datagram(1, 1, kEot)}},
       1},
  };
  for (const Case& c : cases) {
    test::ScriptedPeer master(c.script);
    MasterQuery query("127.0.0.1", master.Port());
    EXPECT_EQ(query.RequestServers("68", kTestWait), c.entries) << c.what;
    EXPECT_EQ(MasterEntryHost(query.EntryAt(c.entries - 1)),
              "10.2.0." + std::to_string(c.entries - 1))
        << c.what;
    EXPECT_EQ(MasterEntryPort(query.EntryAt(0)), 27960) << c.what;
  }
}

TEST(MasterQueryTiming, ListThatNeverEndsStopsWhenNothingMoreComes) {
  test::ScriptedPeer master({{0ms, Datagram(0, 2, "")}});
  MasterQuery query("127.0.0.1", master.Port());
  const MasterWaits waits{kTestWait, 150ms, 20s};
  const auto start = Clock::now();
  query.Exchange({MasterQuery::RequestDatagram("68")}, waits, false);
  EXPECT_EQ(query.EntryCount(), 2);
  // One more-wait after the last datagram, not the first wait again.
  EXPECT_GE(Clock::now() - start, waits.more - 10ms);
  EXPECT_LT(Clock::now() - start, waits.more + kTestWait);
}

// Masters that each know part of the farm: an IPv6-aware one, one that knows
// getservers only, one on ::1 and a silent one, all asked at once.
class SeveralMastersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(farm_.Start());
    for (int i = 0; i < 6; ++i)
      farm_.AddServer(q3sim::DefaultServerConfig("s" + std::to_string(i), "q3dm1", i < 5 ? 68 : 71));
    if (farm_.HasIpv6())
      v6_ = farm_.AddServer(q3sim::DefaultServerConfig("six", "q3dm1", 68), 0, q3sim::Family::kIpv6);
    q3sim::MasterConfig first;
    first.listedServers = std::vector<int>{0, 1, 2, 5};
    if (v6_ >= 0) first.listedServers->push_back(v6_);
    farm_.SetMasterConfig(first);
    settings_.masterServer = "127.0.0.1";
    settings_.masterServerPort = farm_.OpenMaster();
    q3sim::MasterConfig plainOnly;
    plainOnly.knowsExt = false;
    plainOnly.listedServers = std::vector<int>{1, 2, 3, 4};
    if (v6_ >= 0) plainOnly.listedServers->push_back(v6_);
    plain_ = farm_.AddMaster(plainOnly);
    q3sim::MasterConfig silent;
    silent.silent = true;
    silent_ = farm_.AddMaster(silent);
    settings_.moreMasters = farm_.MasterAddress(plain_) + " " + farm_.MasterAddress(silent_);
    settings_.protocol = "68";
    settings_.moreProtocols = "71";
  }
  std::vector<std::string> Addresses(const MasterHarvest& harvest) {
    std::vector<std::string> out;
    for (const MasterEntry& e : harvest.entries)
      out.push_back(JoinHostPort(MasterEntryHost(e), MasterEntryPort(e)));
    return out;
  }
  std::vector<std::string> Requests(int master) {
    std::vector<std::string> out;
    for (const std::string& r : farm_.GetMasterStats(master).recentRequests)
      out.push_back(r.substr(4, r.find(" empty") - 4));
    return out;
  }

  test::TestHome home_;
  q3sim::Farm farm_;
  Settings settings_;
  int v6_ = -1, plain_ = -1, silent_ = -1;
  const MasterWaits waits_{300ms, 300ms, 20s, 50ms};
};

TEST_F(SeveralMastersTest, AskedAtOnceMergedInOrderEachMasterReported) {
  const auto start = Clock::now();
  MasterHarvest harvest = AskConfiguredMasters(settings_, waits_);
  // The silent master costs one wait, not one per protocol or master.
  EXPECT_LT(Clock::now() - start, 2 * waits_.first + 500ms);

  std::vector<std::string> expected = {farm_.Address(0), farm_.Address(1), farm_.Address(2)};
  if (v6_ >= 0) expected.push_back(farm_.Address(v6_));  // only getserversExt lists it
  expected.push_back(farm_.Address(5));                  // protocol 71 after 68
  expected.push_back(farm_.Address(3));
  expected.push_back(farm_.Address(4));
  EXPECT_EQ(Addresses(harvest), expected);
  ASSERT_EQ(harvest.masters.size(), 3u);
  EXPECT_TRUE(harvest.masters[0].answered);
  EXPECT_EQ(harvest.masters[0].servers, v6_ >= 0 ? 5 : 4);
  EXPECT_TRUE(harvest.masters[1].answered);
  EXPECT_EQ(harvest.masters[1].servers, 4);
  EXPECT_FALSE(harvest.masters[2].answered);
  EXPECT_EQ(HarvestSummary(harvest),
            "3 masters: " + std::to_string(expected.size()) + " servers (" +
                farm_.MasterAddress(silent_) + " no answer)");

  // Unknown masters were asked both ways once; now each is asked its own way only.
  EXPECT_EQ(Requests(0), (std::vector<std::string>{"getserversExt Quake3Arena 68", "getservers 68",
                                                    "getserversExt Quake3Arena 71"}));
  EXPECT_EQ(Requests(plain_), (std::vector<std::string>{"getserversExt Quake3Arena 68",
                                                         "getservers 68", "getservers 71"}));
  farm_.ResetCounters();
  EXPECT_EQ(Addresses(AskConfiguredMasters(settings_, waits_)), expected);
  EXPECT_EQ(Requests(0), (std::vector<std::string>{"getserversExt Quake3Arena 68",
                                                    "getserversExt Quake3Arena 71"}));
  EXPECT_EQ(Requests(plain_), (std::vector<std::string>{"getservers 68", "getservers 71"}));
}

TEST_F(SeveralMastersTest, AMasterOnIpv6GivesTheSameListAndFloodProtectionIsKept) {
  if (!farm_.HasIpv6()) GTEST_SKIP() << "no ::1 on this machine";
  q3sim::MasterConfig guarded;
  guarded.floodProtection = true;
  guarded.floodDecayMs = 100;
  const int six = farm_.AddMaster(guarded, 0, q3sim::Family::kIpv6);
  ASSERT_GE(six, 0);
  settings_.masterServer = "::1";
  settings_.masterServerPort = farm_.MasterPort(six);
  settings_.moreMasters = "";
  settings_.moreProtocols = "66 67 69 70 71 72";  // seven lists: more than a burst
  MasterWaits waits = waits_;
  waits.floodDecay = 120ms;
  EXPECT_EQ(HarvestSummary(AskConfiguredMasters(settings_, waits)), "1 master: 7 servers");
  // Asked again at once: the first request waits for the master to forgive.
  EXPECT_EQ(HarvestSummary(AskConfiguredMasters(settings_, waits)), "1 master: 7 servers");
  EXPECT_EQ(farm_.GetMasterStats(six).floodDropped, 0u);
  EXPECT_EQ(farm_.GetMasterStats(six).getserversExt, 14u);
}

TEST(MasterSettings, MastersAndProtocolsEachOnceTheSettingsFirst) {
  Settings s;
  s.masterServer = "directory.ioquake3.org";
  s.protocol = "68";
  EXPECT_TRUE(AsksOneMasterOnly(s));
  s.moreMasters = " Directory.ioquake3.org:27950\tdpmaster.deathmask.net [::1]:27951 [::2] bad:0 ";
  s.moreProtocols = "71 68 x 67";
  EXPECT_FALSE(AsksOneMasterOnly(s));
  std::vector<std::string> names;
  for (const MasterAddress& m : ConfiguredMasters(s)) names.push_back(m.Name() + "=" + m.Address());
  EXPECT_EQ(names, (std::vector<std::string>{
                       "directory.ioquake3.org=directory.ioquake3.org:27950",
                       "dpmaster.deathmask.net=dpmaster.deathmask.net:27950",
                       "[::1]:27951=[::1]:27951", "[::2]=[::2]:27950", "bad:0=bad:0"}));
  EXPECT_FALSE(ConfiguredMasters(s).back().valid);
  EXPECT_EQ(ConfiguredProtocols(s), (std::vector<std::string>{"68", "71", "67"}));
  s.moreMasters = "";
  EXPECT_FALSE(AsksOneMasterOnly(s));  // more protocols still
  EXPECT_FALSE(NamesMoreMasters(s));
}

TEST(MasterSettings, SummarySaysWhatEachMasterGave) {
  MasterHarvest harvest;
  harvest.masters = {{ParseMasterAddress("a.example"), true, 2},
                     {ParseMasterAddress("b.example:27951"), false, 0},
                     {ParseMasterAddress("[::1]"), false, 0}};
  harvest.entries.resize(812);
  EXPECT_EQ(HarvestSummary(harvest),
            "3 masters: 812 servers (b.example:27951 no answer, [::1] no answer)");
  harvest.masters.resize(1);
  harvest.entries.resize(1);
  EXPECT_EQ(HarvestSummary(harvest), "1 master: 1 server");
}

}  // namespace
}  // namespace vyk
