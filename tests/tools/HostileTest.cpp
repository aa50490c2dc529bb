// Hostile servers of the farm: each kind really puts on the wire what it claims.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Farm.h"
#include "Generator.h"
#include "Hostile.h"
#include "LoopbackClient.h"
#include "Replies.h"

namespace {

using namespace std::string_literals;
using q3sim::HostileKind;

const std::string kFF = "\xff\xff\xff\xff";
const std::string kGetStatus = kFF + "getstatus"s + '\0';
const std::string kHead = kFF + "statusResponse\n";

struct Datagram {
  std::string bytes;
  std::uint16_t from = 0;
};

// Every datagram of one answer, with the port each came from: the first within
// 2 s, then those that follow closely.
std::vector<Datagram> Exchange(q3sim_test::Client& client, std::uint16_t port) {
  client.Send(port, kGetStatus);
  std::vector<Datagram> out;
  std::uint16_t from = 0;
  for (auto d = client.Recv(2000, &from); d; d = client.Recv(200, &from)) out.push_back({*d, from});
  return out;
}

bool HasHighByte(const std::string& s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) > 127; });
}

// The fields of the info line of a statusResponse and the lines after it.
struct Status {
  std::vector<std::string> fields;
  std::vector<std::string> playerLines;
};

Status Split(const std::string& reply) {
  Status s;
  EXPECT_EQ(reply.compare(0, kHead.size(), kHead), 0);
  std::size_t end = reply.find('\n', kHead.size());
  std::string info = reply.substr(kHead.size(), end - kHead.size());
  for (std::size_t at = 1; at <= info.size();) {
    std::size_t next = std::min(info.find('\\', at), info.size());
    s.fields.push_back(info.substr(at, next - at));
    at = next + 1;
  }
  for (std::size_t at = end + 1; at < reply.size();) {
    std::size_t next = std::min(reply.find('\n', at), reply.size());
    s.playerLines.push_back(reply.substr(at, next - at));
    at = next + 1;
  }
  return s;
}

class HostileFarm : public ::testing::Test {
 protected:
  std::uint16_t Add(const q3sim::ServerConfig& c) {
    const int id = farm_.AddServer(c);
    EXPECT_GE(id, 0);
    return farm_.Port(id);
  }
  void Start() { ASSERT_TRUE(farm_.Start()); }
  // The whole answer when it came in one datagram.
  std::string One(std::uint16_t port) {
    auto got = Exchange(client_, port);
    EXPECT_EQ(got.size(), 1u);
    return got.empty() ? std::string() : got[0].bytes;
  }

  q3sim::Farm farm_;
  q3sim_test::Client client_;
};

TEST_F(HostileFarm, AnswersOfExactly8192BytesOfBackslashesAndGarbage) {
  const auto slashes = Add(q3sim::MakeHostileConfig(HostileKind::kBackslashes8192, 1));
  const auto garbage = Add(q3sim::MakeHostileConfig(HostileKind::kBackslashGarbage8192, 2));
  Start();

  const std::string a = One(slashes);
  ASSERT_EQ(a.size(), 8192u);
  EXPECT_EQ(a.substr(0, kHead.size()), kHead);
  EXPECT_EQ(a.find_first_not_of('\\', kHead.size()), std::string::npos);

  const std::string b = One(garbage);
  ASSERT_EQ(b.size(), 8192u);
  EXPECT_EQ(b.substr(0, kHead.size()), kHead);
  EXPECT_EQ(b.find('\0'), std::string::npos);  // nothing hides the rest from a C-string reader
  const auto slashCount = std::count(b.begin(), b.end(), '\\');
  EXPECT_GT(slashCount, 2000);
  EXPECT_LT(slashCount, 7000);
  EXPECT_NE(b.find("\\\\\\"), std::string::npos);
  EXPECT_TRUE(HasHighByte(b));
  EXPECT_NE(b.find('\n', kHead.size()), std::string::npos);
}

TEST_F(HostileFarm, HighAndNulBytesInEveryField) {
  const auto keysToo = Add(q3sim::MakeHostileConfig(HostileKind::kHighBytes, 4));
  const auto valuesOnly = Add(q3sim::MakeHostileConfig(HostileKind::kHighBytes, 5));
  const q3sim::ServerConfig nul = q3sim::MakeHostileConfig(HostileKind::kNulBytes, 6);
  const auto nulPort = Add(nul);
  Start();

  for (auto port : {keysToo, valuesOnly}) {
    const Status s = Split(One(port));
    ASSERT_GE(s.fields.size(), 40u);
    for (std::size_t i = 0; i < s.fields.size(); ++i) {
      if (port == keysToo || i % 2 == 1) {
        EXPECT_TRUE(HasHighByte(s.fields[i])) << i;
      }
    }
    ASSERT_GE(s.playerLines.size(), 3u);
    for (const std::string& line : s.playerLines) {
      const std::string name = line.substr(line.find('"'));
      EXPECT_TRUE(HasHighByte(name)) << line;
    }
  }
  const std::string withNul = One(nulPort);
  const std::size_t fields = 2 * nul.info.size() + nul.players.size();
  EXPECT_EQ(static_cast<std::size_t>(std::count(withNul.begin(), withNul.end(), '\0')), fields);
  EXPECT_TRUE(HasHighByte(withNul));
  // The first NUL sits inside the first key.
  EXPECT_LT(withNul.find('\0'), kHead.size() + 1 + nul.info[0].first.size());
}

TEST_F(HostileFarm, TenThousandPlayersComeInDatagramsBackToBack) {
  const q3sim::ServerConfig c = q3sim::MakeHostileConfig(HostileKind::kTenThousandPlayers, 7);
  const auto port = Add(c);
  Start();

  const auto offline = q3sim::ReplyDatagrams(c, q3sim::ParseRequest(kGetStatus));
  std::string whole;
  for (const auto& d : offline) {
    EXPECT_LE(d.size(), 1400u);
    whole += d;
  }
  EXPECT_GT(offline.size(), 50u);
  EXPECT_EQ(Split(whole).playerLines.size(), 10000u);

  const auto got = Exchange(client_, port);
  ASSERT_EQ(got.size(), offline.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].bytes, offline[i]) << i;
    EXPECT_EQ(got[i].from, port);
  }
}

TEST_F(HostileFarm, LongNamesHugeNumbersAndControlCharacters) {
  const auto longNames = Add(q3sim::MakeHostileConfig(HostileKind::kLongNames, 1));
  std::vector<std::uint16_t> huge;
  for (std::uint32_t seed = 0; seed < 5; ++seed)
    huge.push_back(Add(q3sim::MakeHostileConfig(HostileKind::kHugeNumbers, seed)));
  const auto control = Add(q3sim::MakeHostileConfig(HostileKind::kControlChars, 1));
  Start();

  const std::string l = One(longNames);
  const Status ls = Split(l);
  const auto host = std::find(ls.fields.begin(), ls.fields.end(), "sv_hostname");
  ASSERT_NE(host, ls.fields.end());
  EXPECT_GE((host + 1)->size(), 500u);
  ASSERT_EQ(ls.playerLines.size(), 6u);
  for (const std::string& line : ls.playerLines)
    EXPECT_EQ(line.size() - line.find('"') - 2, 500u) << line;

  std::set<std::string> maxClients, protocols;
  for (auto port : huge) {
    const std::string h = One(port);
    const Status hs = Split(h);
    for (std::size_t i = 0; i + 1 < hs.fields.size(); i += 2) {
      if (hs.fields[i] == "sv_maxclients") maxClients.insert(hs.fields[i + 1]);
      if (hs.fields[i] == "protocol") protocols.insert(hs.fields[i + 1]);
    }
    EXPECT_NE(h.find("\n-2147483649 4294967296 \"^1neg\"\n"), std::string::npos);
    EXPECT_NE(h.find("\n99999999999999999999 99999999999999999999 \"^3huge\"\n"),
              std::string::npos);
    EXPECT_NE(h.find(std::string(399, '9') + " -7" + std::string(399, '9')), std::string::npos);
  }
  EXPECT_TRUE(maxClients.count("-5"));
  EXPECT_TRUE(maxClients.count("99999999999999999999"));
  EXPECT_TRUE(maxClients.count("1" + std::string(299, '9')));
  EXPECT_EQ(protocols, (std::set<std::string>{"-1", "99999999999"}));

  const std::string ctl = One(control);
  for (char c : {'\r', '\x1b', '\x7f', '\t', '\x07'})
    EXPECT_NE(ctl.find(c), std::string::npos) << int(c);
  EXPECT_NE(ctl.find("\\20\n12 34 \"^1fake\x1b\""), std::string::npos);  // LF inside a value
  EXPECT_NE(ctl.find("\"nl\nname\"\n"), std::string::npos);              // and inside a name
}

TEST_F(HostileFarm, InjectionValuesReachTheWireUnchanged) {
  std::vector<std::uint16_t> ports;
  for (std::uint32_t seed = 0; seed < 13; ++seed)
    ports.push_back(Add(q3sim::MakeHostileConfig(HostileKind::kInjection, seed)));
  Start();
  std::set<std::string> gamenames;
  for (std::uint32_t seed = 0; seed < ports.size(); ++seed) {
    const Status s = Split(One(ports[seed]));
    auto value = [&](const std::string& key) {
      for (std::size_t i = 0; i + 1 < s.fields.size(); i += 2)
        if (s.fields[i] == key) return s.fields[i + 1];
      return std::string("<absent>");
    };
    EXPECT_EQ(value("gamename"), q3sim::InjectedGamename(seed));
    EXPECT_EQ(value("fs_game"), q3sim::InjectedFsGame(seed));
    EXPECT_EQ(value("protocol"), q3sim::InjectedProtocol(seed));
    gamenames.insert(value("gamename"));
  }
  EXPECT_TRUE(gamenames.count("+set sv_cheats 1"));
  EXPECT_TRUE(gamenames.count("../quake3"));
  EXPECT_TRUE(gamenames.count("\"; rm -rf ~; \""));
}

TEST_F(HostileFarm, FloodFollowsTheAnswerAndOtherPortsAnswerInstead) {
  q3sim::ServerConfig flood = q3sim::MakeHostileConfig(HostileKind::kFlood, 9);
  const auto floodPort = Add(flood);
  const q3sim::ServerConfig moved = q3sim::MakeHostileConfig(HostileKind::kOtherPort, 11);
  const auto movedPort = Add(moved);
  const q3sim::ServerConfig strayFirst = q3sim::MakeHostileConfig(HostileKind::kOtherPort, 12);
  ASSERT_TRUE(strayFirst.strayBeforeReply);
  const auto strayPort = Add(strayFirst);
  Start();

  const auto f = Exchange(client_, floodPort);
  ASSERT_EQ(f.size(), 201u);
  EXPECT_EQ(f[0].bytes, q3sim::StatusResponse(flood, ""));
  const auto garbage = q3sim::FloodDatagrams(200, flood.floodSeed);
  for (std::size_t i = 0; i < garbage.size(); ++i) {
    EXPECT_EQ(f[i + 1].bytes, garbage[i]) << i;
    EXPECT_EQ(f[i + 1].from, floodPort);
  }

  const auto m = Exchange(client_, movedPort);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].bytes, q3sim::StatusResponse(moved, ""));
  EXPECT_NE(m[0].from, movedPort);
  EXPECT_EQ(m[0].from, farm_.StrayPort(0));

  const auto s = Exchange(client_, strayPort);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].bytes, q3sim::StrayDatagram(strayFirst.floodSeed));
  EXPECT_EQ(s[0].from, farm_.StrayPort(1));
  EXPECT_EQ(s[1].bytes, q3sim::StatusResponse(strayFirst, ""));
  EXPECT_EQ(s[1].from, farm_.StrayPort(0));
  EXPECT_NE(farm_.StrayPort(0), farm_.StrayPort(1));
  EXPECT_NE(s[0].from, strayPort);
  EXPECT_EQ(farm_.Stats(2).replies, 1u);
}

TEST(Q3SimGenerator, HostileShareIsExactCyclesEveryKindAndLeavesHonestServersAlone) {
  q3sim::GeneratorOptions o{.count = 2000, .seed = 5, .silentFraction = 0.2};
  const auto honest = q3sim::GenerateServers(o);
  o.hostileFraction = 0.1;
  const auto mixed = q3sim::GenerateServers(o);
  ASSERT_EQ(mixed.size(), 2000u);

  int hostile = 0, floods = 0, moved = 0;
  std::set<int> kinds;
  for (std::size_t i = 0; i < mixed.size(); ++i) {
    if (mixed[i].hostile == 0) {
      EXPECT_EQ(q3sim::StatusResponse(mixed[i], ""), q3sim::StatusResponse(honest[i], ""));
      EXPECT_EQ(mixed[i].silent, honest[i].silent);
      continue;
    }
    ++hostile;
    EXPECT_FALSE(mixed[i].silent);
    for (int k = 0; k < q3sim::kHostileKindCount; ++k)
      if (mixed[i].hostile & q3sim::HostileBit(static_cast<HostileKind>(k))) kinds.insert(k);
    floods += mixed[i].floodAfter > 0;
    moved += mixed[i].replyFromOtherPort;
  }
  EXPECT_EQ(hostile, 200);
  EXPECT_EQ(static_cast<int>(kinds.size()), q3sim::kHostileKindCount);
  EXPECT_GT(floods, 18 + 10);  // its own kind, and combined with others
  EXPECT_GT(moved, 18 + 10);
  // Spread over the farm, not bunched at one end.
  EXPECT_NE(mixed[9].hostile, 0u);
  EXPECT_NE(mixed[1999].hostile, 0u);
  EXPECT_EQ(mixed[0].hostile, 0u);
}

}  // namespace
