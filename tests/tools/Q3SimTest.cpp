// The loopback farm, spoken to with plain UDP sockets on 127.0.0.1.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Farm.h"
#include "Generator.h"
#include "LoopbackClient.h"
#include "Replies.h"

namespace {

using namespace std::string_literals;
using Clock = std::chrono::steady_clock;

const std::string kFF = "\xff\xff\xff\xff";
const std::string kGetStatus = kFF + "getstatus"s + '\0';

using q3sim_test::Client;

q3sim::ServerConfig SmallServer() {
  q3sim::ServerConfig c;
  c.info = {{"sv_hostname", "^1Test ^7Server"},
            {"mapname", "q3dm17"},
            {"sv_maxclients", "16"},
            {"protocol", "68"}};
  c.players = {{12, 50, "^1Player"}, {-3, 0, "Bot"}};
  return c;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string s;
  for (const auto& p : parts) s += p;
  return s;
}

// The addresses of a getservers(Ext)Response as "a.b.c.d:port" or "[hex]:port"
// ("[::1]:port" for loopback), after checking its datagrams: each at most 1400
// bytes under the head, the end mark in the last alone.
std::multiset<std::string> Listed(const std::vector<std::string>& datagrams, bool ext) {
  const std::string head = kFF + (ext ? "getserversExtResponse" : "getserversResponse");
  const std::string eot("\\EOT\0\0\0", 7);
  std::multiset<std::string> out;
  for (std::size_t d = 0; d < datagrams.size(); ++d) {
    const std::string& g = datagrams[d];
    const bool last = d + 1 == datagrams.size();
    EXPECT_LE(g.size(), q3sim::kMasterDatagramMax);
    if (g.compare(0, head.size(), head) != 0 || g.size() < head.size() + (last ? 7 : 0)) {
      ADD_FAILURE() << "not a " << head.substr(4);
      return out;
    }
    const std::size_t end = g.size() - (last ? eot.size() : 0);
    EXPECT_EQ(g.substr(end), last ? eot : "");
    auto byte = [&](std::size_t at) {
      return static_cast<unsigned>(static_cast<unsigned char>(g[at]));
    };
    for (std::size_t at = head.size(); at < end;) {
      const bool v6 = g[at] == '/';
      const std::size_t size = v6 ? 16 : 4;
      if ((g[at] != '\\' && !v6) || (v6 && !ext) || at + 1 + size + 2 > end) {
        ADD_FAILURE() << "bad entry at " << at;
        return out;
      }
      std::string host;
      if (v6) {
        char hex[3];
        for (std::size_t i = 0; i < size; ++i) {
          std::snprintf(hex, sizeof hex, "%02x", byte(at + 1 + i));
          host += hex;
        }
        host = "[" + (host == std::string(30, '0') + "01" ? "::1" : host) + "]";
      } else {
        for (std::size_t i = 0; i < size; ++i)
          host += (i ? "." : "") + std::to_string(byte(at + 1 + i));
      }
      out.insert(host + ":" + std::to_string(byte(at + 1 + size) << 8 | byte(at + 2 + size)));
      at += 1 + size + 2;
    }
  }
  return out;
}

TEST(Q3SimFarm, StatusAndInfoRepliesAreIoquake3Bytes) {
  q3sim::Farm farm;
  int id = farm.AddServer(SmallServer());
  ASSERT_GE(id, 0);
  ASSERT_TRUE(farm.Start());
  Client client;

  client.Send(farm.Port(id), kGetStatus);
  std::uint16_t from = 0;
  auto reply = client.Recv(2000, &from);
  ASSERT_TRUE(reply);
  EXPECT_EQ(from, farm.Port(id));
  EXPECT_EQ(*reply, kFF +
                        "statusResponse\n\\sv_hostname\\^1Test ^7Server\\mapname\\q3dm17"
                        "\\sv_maxclients\\16\\protocol\\68\n12 50 \"^1Player\"\n-3 0 \"Bot\"\n");
  EXPECT_EQ(farm.Stats(id).requests, 1u);
  EXPECT_EQ(farm.Stats(id).lastRequest, kGetStatus);

  // A challenge is echoed in front; the command is not case-sensitive.
  client.Send(farm.Port(id), kFF + "GETSTATUS abc\n");
  reply = client.Recv(2000);
  ASSERT_TRUE(reply);
  const std::string challenged = kFF + "statusResponse\n\\challenge\\abc\\sv_hostname\\";
  EXPECT_EQ(reply->substr(0, challenged.size()), challenged);

  // At most 128 characters, and only from a server that echoes at all.
  const std::string longest(128, 't');
  client.Send(farm.Port(id), kFF + "getstatus " + longest);
  reply = client.Recv(2000);
  ASSERT_TRUE(reply);
  EXPECT_NE(reply->find("\\challenge\\" + longest + "\\"), std::string::npos);
  client.Send(farm.Port(id), kFF + "getstatus " + longest + "t");
  EXPECT_FALSE(client.Recv(200));
  farm.Modify(id, [](q3sim::ServerConfig& c) { c.echoChallenge = false; });
  client.Send(farm.Port(id), kFF + "getstatus abc");
  reply = client.Recv(2000);
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply, q3sim::StatusResponse(SmallServer(), ""));

  client.Send(farm.Port(id), kFF + "getinfo xyz");
  reply = client.Recv(2000);
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply,
            kFF +
                "infoResponse\n\\g_needpass\\0\\pure\\1\\gametype\\0\\sv_maxclients\\16"
                "\\g_humanplayers\\1\\clients\\2\\mapname\\q3dm17\\hostname\\^1Test ^7Server"
                "\\protocol\\68\\challenge\\xyz");

  // Values changed while the farm runs show in the next reply.
  farm.Modify(id, [](q3sim::ServerConfig& c) {
    c.SetInfo("mapname", "q3tourney2");
    c.players.clear();
  });
  client.Send(farm.Port(id), kGetStatus);
  reply = client.Recv(2000);
  ASSERT_TRUE(reply);
  EXPECT_NE(reply->find("\\mapname\\q3tourney2\\"), std::string::npos);
  EXPECT_EQ(reply->back(), '\n');
  EXPECT_EQ(reply->find('"'), std::string::npos);

  // Unknown commands and packets without the marker are counted, never answered.
  client.Send(farm.Port(id), kFF + "getchallenge");
  client.Send(farm.Port(id), "getstatus");
  EXPECT_FALSE(client.Recv(200));
  EXPECT_EQ(farm.Stats(id).requests, 9u);
  EXPECT_EQ(farm.Stats(id).replies, 6u);
}

TEST(Q3SimFarm, RconPasswordsCommandsAndChunks) {
  q3sim::Farm farm;
  q3sim::ServerConfig open = SmallServer();
  int none = farm.AddServer(open);
  open.rconPassword = "secret";
  std::mutex seenMutex;  // the handler runs on the farm's thread
  std::string seen;
  std::string longOutput;
  for (int i = 0; i < 60; ++i)
    longOutput += "line " + std::to_string(i) + std::string(40, '.') + "\n";
  open.rconHandler = [&](const std::string& command) {
    std::lock_guard lock(seenMutex);
    seen = command;
    return command == "long" ? longOutput : "ok\n"s;
  };
  int locked = farm.AddServer(open);
  ASSERT_TRUE(farm.Start());
  Client client;
  const std::string print = kFF + "print\n";

  client.Send(farm.Port(none), kFF + "rcon secret status"s + '\0');
  EXPECT_EQ(Join(client.RecvAll()), print + "No rconpassword set on the server.\n");

  client.Send(farm.Port(locked), kFF + "rcon wrong status"s + '\0');
  EXPECT_EQ(Join(client.RecvAll()), print + "Bad rconpassword.\n");

  client.Send(farm.Port(locked), kFF + "rcon secret  say  \"hi there\""s + '\0');
  EXPECT_EQ(Join(client.RecvAll()), print + "ok\n");
  {
    std::lock_guard lock(seenMutex);
    EXPECT_EQ(seen, "say  \"hi there\"");
  }

  client.Send(farm.Port(locked), kFF + "rcon secret "s + '\0');
  auto empty = client.RecvAll();
  ASSERT_EQ(empty.size(), 1u);
  EXPECT_EQ(empty[0], print);

  client.Send(farm.Port(locked), kFF + "rcon secret long"s + '\0');
  auto chunks = client.RecvAll();
  ASSERT_GE(chunks.size(), 3u);
  std::string joined;
  for (const auto& c : chunks) {
    ASSERT_EQ(c.substr(0, print.size()), print);
    EXPECT_LE(c.size() - print.size(), q3sim::kRconChunk);
    joined += c.substr(print.size());
  }
  EXPECT_EQ(joined, longOutput);

  // Without a handler "status" answers a player table.
  farm.Modify(locked, [](q3sim::ServerConfig& c) { c.rconHandler = nullptr; });
  client.Send(farm.Port(locked), kFF + "rcon secret status"s + '\0');
  std::string table = Join(client.RecvAll());
  EXPECT_NE(table.find("map: q3dm17\n"), std::string::npos);
  EXPECT_NE(table.find("^1Player"), std::string::npos);
}

TEST(Q3SimFarm, FaultsSplitOversizedRawAndSilent) {
  q3sim::Farm farm;
  q3sim::ServerConfig c = SmallServer();
  const std::string whole = q3sim::StatusResponse(c, "");
  c.splitInto = 3;
  int split = farm.AddServer(c);
  c.splitRepeatsHeader = true;
  int splitHeader = farm.AddServer(c);
  c = SmallServer();
  c.padTo = 9000;
  int big = farm.AddServer(c);
  c = SmallServer();
  c.rawReply = std::vector<std::string>{"\xff\xff\xff\xffstatusResponse\n\\a\0b\\\x80\xfe"s, "x"};
  int raw = farm.AddServer(c);
  c = SmallServer();
  c.silent = true;
  int silent = farm.AddServer(c);
  ASSERT_TRUE(farm.Start());
  Client client;

  client.Send(farm.Port(split), kGetStatus);
  auto parts = client.RecvAll();
  EXPECT_EQ(parts.size(), 3u);
  EXPECT_EQ(Join(parts), whole);

  client.Send(farm.Port(splitHeader), kGetStatus);
  parts = client.RecvAll();
  ASSERT_EQ(parts.size(), 3u);
  const std::string header = kFF + "statusResponse\n";
  std::string body;
  for (const auto& p : parts) {
    ASSERT_EQ(p.substr(0, header.size()), header);
    body += p.substr(header.size());
  }
  EXPECT_EQ(header + body, whole);

  client.Send(farm.Port(big), kGetStatus);
  parts = client.RecvAll();
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_GE(parts[0].size(), 9000u);
  EXPECT_NE(parts[0].find("\\sv_pad\\xxx"), std::string::npos);
  EXPECT_NE(parts[0].find("12 50 \"^1Player\"\n"), std::string::npos);

  client.Send(farm.Port(raw), kFF + "rcon x y");
  parts = client.RecvAll();
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0], "\xff\xff\xff\xffstatusResponse\n\\a\0b\\\x80\xfe"s);
  EXPECT_EQ(parts[1], "x");

  client.Send(farm.Port(silent), kGetStatus);
  EXPECT_FALSE(client.Recv(300));
  EXPECT_EQ(farm.Stats(silent).requests, 1u);
  EXPECT_EQ(farm.Stats(silent).replies, 0u);
}

TEST(Q3SimFarm, LatencyDelaysTheReplyAndCountsInFlight) {
  q3sim::Farm farm;
  std::vector<int> ids;
  for (int i = 0; i < 5; ++i) {
    q3sim::ServerConfig c = SmallServer();
    c.SetLatency(150);
    ids.push_back(farm.AddServer(c));
  }
  ASSERT_TRUE(farm.Start());
  Client client;

  auto start = Clock::now();
  for (int id : ids) client.Send(farm.Port(id), kGetStatus);
  for (std::size_t i = 0; i < ids.size(); ++i) ASSERT_TRUE(client.Recv(3000));
  auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(149));
  EXPECT_LT(elapsed, std::chrono::milliseconds(2500));
  EXPECT_EQ(farm.MaxInFlight(), 5);
  EXPECT_EQ(farm.InFlight(), 0);
  EXPECT_EQ(farm.TotalRequests(), 5u);

  farm.ResetCounters();
  EXPECT_EQ(farm.MaxInFlight(), 0);
  EXPECT_EQ(farm.TotalRequests(), 0u);
  EXPECT_EQ(farm.Stats(ids[0]).requests, 0u);
  EXPECT_EQ(farm.Stats(ids[0]).lastRequest, "");

  // A range draws each delay from it.
  farm.Modify(ids[0], [](q3sim::ServerConfig& c) { c.SetLatency(50, 120, 7); });
  for (int i = 0; i < 3; ++i) {
    auto t0 = Clock::now();
    client.Send(farm.Port(ids[0]), kGetStatus);
    ASSERT_TRUE(client.Recv(3000));
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(49));
  }
  EXPECT_EQ(farm.MaxInFlight(), 1);
}

TEST(Q3SimFarm, RateLimitBurstThenOnePerSecond) {
  q3sim::Farm farm;
  q3sim::ServerConfig c = SmallServer();
  int free = farm.AddServer(c);
  c.rateLimit = true;
  int limited = farm.AddServer(c);
  ASSERT_TRUE(farm.Start());
  Client client;

  auto count = [&](std::uint16_t port, int n) {
    for (int i = 0; i < n; ++i) client.Send(port, kGetStatus);
    int got = 0;
    while (client.Recv(300)) ++got;
    return got;
  };
  EXPECT_EQ(count(farm.Port(free), 15), 15);
  EXPECT_EQ(count(farm.Port(limited), 15), 10);
  EXPECT_EQ(farm.Stats(limited).requests, 15u);
  // getinfo and rcon share the per-address bucket.
  client.Send(farm.Port(limited), kFF + "getinfo");
  client.Send(farm.Port(limited), kFF + "rcon x status");
  EXPECT_FALSE(client.Recv(200));
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_EQ(count(farm.Port(limited), 3), 1);
}

TEST(Q3SimMaster, ListsTheFarmInDatagramsOfAtMost1400Bytes) {
  q3sim::Farm farm;
  std::set<std::uint16_t> ports68;
  for (int i = 0; i < 500; ++i) ports68.insert(farm.Port(farm.AddServer(SmallServer())));
  q3sim::ServerConfig old = SmallServer();
  old.SetInfo("protocol", "66");
  int id66 = farm.AddServer(old);
  std::uint16_t masterPort = farm.OpenMaster();
  ASSERT_NE(masterPort, 0);
  ASSERT_TRUE(farm.Start());
  Client client;

  client.Send(masterPort, kFF + "getservers 68"s + '\0');
  auto datagrams = client.RecvAll();
  ASSERT_EQ(datagrams.size(), 3u);  // 196 + 196 + 108
  const std::string head = kFF + "getserversResponse";
  const std::string eot("\\EOT\0\0\0", 7);
  std::multiset<std::uint16_t> seen;
  for (std::size_t d = 0; d < datagrams.size(); ++d) {
    const std::string& g = datagrams[d];
    bool last = d + 1 == datagrams.size();
    EXPECT_LE(g.size(), q3sim::kMasterDatagramMax);
    ASSERT_EQ(g.substr(0, head.size()), head);
    std::size_t end = g.size() - (last ? eot.size() : 0);
    EXPECT_EQ(g.find("\\EOT"), last ? end : std::string::npos);
    ASSERT_EQ((end - head.size()) % 7, 0u);  // a full datagram ends right after its last port
    for (std::size_t at = head.size(); at < end; at += 7) {
      ASSERT_EQ(g[at], '\\');
      EXPECT_EQ(g.substr(at + 1, 4), "\x7f\x00\x00\x01"s);
      seen.insert(static_cast<std::uint16_t>((static_cast<unsigned char>(g[at + 5]) << 8) |
                                             static_cast<unsigned char>(g[at + 6])));
    }
  }
  EXPECT_EQ(std::set<std::uint16_t>(seen.begin(), seen.end()), ports68);
  EXPECT_EQ(seen.size(), 500u);
  EXPECT_EQ(farm.GetMasterStats().lastRequest, kFF + "getservers 68"s + '\0');

  // Other protocol, extra entries kept as given (duplicates too).
  q3sim::MasterConfig mc;
  mc.extraEntries = {{{10, 0, 0, 1}, 27960}, {{10, 0, 0, 1}, 27960}};
  farm.SetMasterConfig(mc);
  client.Send(masterPort, kFF + "getservers  66  empty full"s + '\0');
  datagrams = client.RecvAll();
  ASSERT_EQ(datagrams.size(), 1u);
  std::uint16_t p = farm.Port(id66);
  std::string expect = head + "\\\x7f\x00\x00\x01"s + char(p >> 8) + char(p & 0xff) +
                       "\\\x0a\x00\x00\x01\x6d\x38"s + "\\\x0a\x00\x00\x01\x6d\x38"s + eot;
  EXPECT_EQ(datagrams[0], expect);

  // Empty servers (bots only too) and full ones only when the words ask for them;
  // words are split on blanks alone, so a line feed spoils the protocol number.
  mc.extraEntries.clear();
  farm.SetMasterConfig(mc);
  farm.Modify(id66, [](q3sim::ServerConfig& c) { c.players = {{1, 0, "Bot"}}; });
  const std::string none = head + eot, one = head + datagrams[0].substr(head.size(), 7) + eot;
  client.Send(masterPort, kFF + "getservers 66 full"s + '\0');
  EXPECT_EQ(Join(client.RecvAll()), none);
  client.Send(masterPort, kFF + "getservers 0x42 empty"s + '\0');
  EXPECT_EQ(Join(client.RecvAll()), one);
  client.Send(masterPort, kFF + "getservers 66 empty\n"s + '\0');
  EXPECT_EQ(Join(client.RecvAll()), none);
  client.Send(masterPort, kFF + "getservers Quake3Arena 66 empty"s + '\0');
  EXPECT_EQ(Join(client.RecvAll()), none);  // another game
  farm.Modify(id66, [](q3sim::ServerConfig& c) { c.players.assign(16, {1, 40, "Human"}); });
  client.Send(masterPort, kFF + "getservers 66"s + '\0');
  EXPECT_EQ(Join(client.RecvAll()), none);
  client.Send(masterPort, kFF + "getservers 66 full"s + '\0');
  EXPECT_EQ(Join(client.RecvAll()), one);
  for (const char* bad : {"getservers 66\n", "getservers", "getservers baseq3", "getservers x y"}) {
    client.Send(masterPort, kFF + bad + '\0');
    EXPECT_FALSE(client.Recv(200)) << bad;
  }

  mc.silent = true;
  farm.SetMasterConfig(mc);
  client.Send(masterPort, kFF + "getservers 68"s + '\0');
  EXPECT_FALSE(client.Recv(300));

  mc.silent = false;
  mc.delayMs = 200;
  farm.SetMasterConfig(mc);
  auto t0 = Clock::now();
  client.Send(masterPort, kFF + "getservers 67"s + '\0');
  auto only = client.Recv(3000);
  ASSERT_TRUE(only);
  EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(199));
  EXPECT_EQ(*only, head + eot);
}

TEST(Q3SimMaster, ExtendedQueryGameFamiliesAndAGetserversOnlyMaster) {
  q3sim::Farm farm;
  const int a = farm.AddServer(SmallServer()), b = farm.AddServer(SmallServer()),
            c = farm.AddServer(SmallServer());
  q3sim::MasterConfig mc;
  const auto v6 =
      q3sim::MasterEntry::Ipv6({0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9}, 27961);
  mc.extraEntries = {{{10, 0, 0, 1}, 27960}, v6};
  farm.SetMasterConfig(mc);
  const std::uint16_t master = farm.OpenMaster();
  q3sim::MasterConfig old;
  old.knowsExt = false;
  old.listedServers = std::vector<int>{a, c};
  const int second = farm.AddMaster(old);
  ASSERT_GE(second, 1);
  EXPECT_EQ(farm.MasterAddress(second), "127.0.0.1:" + std::to_string(farm.MasterPort(second)));
  ASSERT_TRUE(farm.Start());
  Client client;
  // Unanswered requests are waited for as briefly as the other tests do.
  auto ask = [&](std::uint16_t port, const std::string& words, int waitMs = 2000) {
    client.Send(port, kFF + words);
    return client.RecvAll(waitMs);
  };
  const std::string extra4 = "10.0.0.1:27960", extra6 = "[20010db8000000000000000000000009]:27961";
  const std::multiset<std::string> farm4 = {farm.Address(a), farm.Address(b), farm.Address(c)};
  auto with = [](std::multiset<std::string> set, std::initializer_list<std::string> more) {
    set.insert(more);
    return set;
  };

  EXPECT_EQ(Listed(ask(master, "getserversExt Quake3Arena 68"), true),
            with(farm4, {extra4, extra6}));
  EXPECT_EQ(Listed(ask(master, "getserversExt Quake3Arena 68 ipv4 empty"), true),
            with(farm4, {extra4}));
  EXPECT_EQ(Listed(ask(master, "getserversExt Quake3Arena 68 full ipv6"), true),
            std::multiset<std::string>{extra6});
  EXPECT_EQ(Listed(ask(master, "getservers 68"), false), with(farm4, {extra4}));
  // Another game is known to have no server; without a game there is no answer.
  EXPECT_EQ(Join(ask(master, "getserversExt Nexuiz 68")),
            kFF + "getserversExtResponse" + std::string("\\EOT\0\0\0", 7));
  EXPECT_TRUE(ask(master, "getserversExt 68", 200).empty());
  EXPECT_TRUE(ask(master, "getserversExt 68 empty", 200).empty());

  // The second lists its own share, and knows nothing of the extended query.
  EXPECT_TRUE(ask(farm.MasterPort(second), "getserversExt Quake3Arena 68", 200).empty());
  EXPECT_EQ(Listed(ask(farm.MasterPort(second), "getservers 68"), false),
            (std::multiset<std::string>{farm.Address(a), farm.Address(c)}));

  const q3sim::MasterStats first = farm.GetMasterStats();
  EXPECT_EQ(first.getservers, 1u);
  EXPECT_EQ(first.getserversExt, 6u);
  EXPECT_EQ(first.replies, 5u);
  ASSERT_EQ(first.recentRequests.size(), 7u);
  EXPECT_EQ(first.recentRequests[3], kFF + "getservers 68");
  const q3sim::MasterStats other = farm.GetMasterStats(second);
  EXPECT_EQ(other.requests, 2u);
  EXPECT_EQ(other.getserversExt, 1u);
  EXPECT_EQ(other.replies, 1u);
  EXPECT_EQ(farm.GetMasterStats(second + 1).requests, 0u);
}

TEST(Q3SimMaster, FloodProtectionBurstOfFourThenOneEachDecay) {
  q3sim::Farm farm;
  q3sim::MasterConfig mc;
  mc.floodProtection = true;
  mc.floodDecayMs = 800;
  farm.SetMasterConfig(mc);
  const std::uint16_t master = farm.OpenMaster();
  ASSERT_TRUE(farm.Start());
  Client one, other;  // one address, two ports: the same client to the master
  auto answered = [&](Client& client, int n) {
    for (int i = 0; i < n; ++i) client.Send(master, kFF + "getservers 68");
    int got = 0;
    while (client.Recv(150)) ++got;
    return got;
  };
  for (int i = 0; i < 5; ++i) one.Send(master, kFF + "getservers 68");
  const auto burst = Clock::now();
  EXPECT_EQ(answered(one, 0), 4);
  EXPECT_EQ(answered(other, 1), 0);
  EXPECT_EQ(farm.GetMasterStats().floodDropped, 2u);
  // One period after the burst, one more; two periods would allow two.
  std::this_thread::sleep_until(burst + std::chrono::milliseconds(900));
  EXPECT_EQ(answered(other, 2), 1);
  EXPECT_EQ(farm.GetMasterStats().floodDropped, 3u);
  EXPECT_EQ(farm.GetMasterStats().requests, 8u);
}

TEST(Q3SimFarm, DropLosesRequestsAndRepliesAsItsSeedSays) {
  auto run = [](q3sim::ServerStats* stats, std::set<std::string>* tokens) {
    q3sim::Farm farm;
    const int id = farm.AddServer(SmallServer());
    farm.SetDrop(0.3, 5);
    if (!farm.Start()) return;
    Client client;
    // In batches the server's receive buffer holds.
    for (int i = 0; i < 300; ++i) {
      client.Send(farm.Port(id), kFF + "getstatus t" + std::to_string(i));
      if (i % 50 != 49) continue;
      for (auto reply = client.Recv(1000); reply; reply = client.Recv(100)) {
        const std::size_t at = reply->find("\\challenge\\") + 11;
        tokens->insert(reply->substr(at, reply->find('\\', at) - at));
      }
    }
    *stats = farm.Stats(id);
  };
  q3sim::ServerStats stats, again;
  std::set<std::string> tokens, tokensAgain;
  run(&stats, &tokens);
  run(&again, &tokensAgain);
  EXPECT_EQ(tokens, tokensAgain);
  EXPECT_EQ(stats.requestsDropped, again.requestsDropped);

  EXPECT_EQ(stats.requests + stats.requestsDropped, 300u);
  EXPECT_GT(stats.requestsDropped, 60u);
  EXPECT_LT(stats.requestsDropped, 120u);
  EXPECT_EQ(stats.replies, tokens.size());
  EXPECT_EQ(stats.replies + stats.repliesDropped, stats.requests);
  EXPECT_EQ(stats.datagramsDropped, stats.repliesDropped);
  // The moments kept are those of replies that left, each with its request.
  ASSERT_EQ(stats.recentReplies.size(), q3sim::ServerStats::kRecentReplies);
  for (const q3sim::ReplyMoment& m : stats.recentReplies) {
    EXPECT_TRUE(tokens.count(m.request.substr(14))) << m.request;
    EXPECT_LE(m.requestArrived, m.replySent);
  }
  EXPECT_EQ(stats.recentReplies.back().replySent, stats.lastReplySent);
  EXPECT_EQ(stats.recentReplies.back().requestArrived, stats.lastRepliedRequestArrived);
}

TEST(Q3SimIpv6, ServersAndMastersOnLoopback6) {
  q3sim::Farm farm;
  if (!farm.HasIpv6()) GTEST_SKIP() << "[::1] cannot be bound on this machine";
  std::vector<int> ids;
  for (int i = 0; i < 250; ++i)
    ids.push_back(
        farm.AddServer(SmallServer(), 0, i % 5 < 2 ? q3sim::Family::kIpv6 : q3sim::Family::kIpv4));
  q3sim::ServerConfig other = SmallServer();
  other.replyFromOtherPort = true;
  const int fromOther = farm.AddServer(other, 0, q3sim::Family::kIpv6);
  ASSERT_GE(fromOther, 0);
  const std::uint16_t master = farm.OpenMaster();
  const int master6 = farm.AddMaster({}, 0, q3sim::Family::kIpv6);
  ASSERT_GE(master6, 1);
  EXPECT_EQ(farm.MasterAddress(master6), "[::1]:" + std::to_string(farm.MasterPort(master6)));
  ASSERT_TRUE(farm.Start());
  Client client, client6(q3sim::Family::kIpv6);

  EXPECT_EQ(farm.Address(ids[0]), "[::1]:" + std::to_string(farm.Port(ids[0])));
  client6.Send(farm.Port(ids[0]), kFF + "getstatus x");
  std::uint16_t from = 0;
  EXPECT_EQ(client6.Recv(2000, &from), q3sim::StatusResponse(SmallServer(), "x"));
  EXPECT_EQ(from, farm.Port(ids[0]));
  client6.Send(farm.Port(fromOther), kGetStatus);
  ASSERT_TRUE(client6.Recv(2000, &from));
  EXPECT_NE(farm.StrayPort(0, q3sim::Family::kIpv6), 0);
  EXPECT_EQ(from, farm.StrayPort(0, q3sim::Family::kIpv6));

  std::multiset<std::string> all, v4;
  for (int id : ids) {
    all.insert(farm.Address(id));
    if (farm.Address(id)[0] != '[') v4.insert(farm.Address(id));
  }
  all.insert(farm.Address(fromOther));
  const std::string ext = kFF + "getserversExt Quake3Arena 68";
  client.Send(master, ext);
  const std::vector<std::string> both = client.RecvAll();
  EXPECT_GE(both.size(), 3u);
  EXPECT_EQ(Listed(both, true), all);
  client.Send(master, ext + " ipv6");
  EXPECT_EQ(Listed(client.RecvAll(), true).size(), all.size() - v4.size());
  // Either family asks the same list.
  client6.Send(farm.MasterPort(master6), ext);
  EXPECT_EQ(client6.RecvAll(), both);
  client6.Send(farm.MasterPort(master6), kFF + "getservers 68");
  EXPECT_EQ(Listed(client6.RecvAll(), false), v4);
}

TEST(Q3SimReplies, MasterDatagramBoundaries) {
  std::vector<q3sim::MasterEntry> entries(195);
  EXPECT_EQ(q3sim::MasterResponse(entries).size(), 1u);
  EXPECT_EQ(q3sim::MasterResponse(entries)[0].size(), 22u + 195 * 7 + 7);
  entries.resize(196);
  auto two = q3sim::MasterResponse(entries);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].size(), 22u + 196 * 7);
  EXPECT_EQ(two[1].size(), 22u + 7);
}

TEST(Q3SimReplies, RequestLineIsReadLikeIoquake3) {
  auto r = q3sim::ParseRequest(kFF + "rcon \"pass word\" status\xe9%\nignored"s);
  EXPECT_TRUE(r.outOfBand);
  EXPECT_EQ(r.line, "rcon \"pass word\" status..");
  ASSERT_EQ(r.args.size(), 3u);
  EXPECT_EQ(r.Arg(1), "pass word");
  EXPECT_EQ(r.Arg(5), "");
  EXPECT_FALSE(q3sim::ParseRequest("\xff\xff\xff").outOfBand);
}

TEST(Q3SimGenerator, SameSeedSameFarm) {
  q3sim::GeneratorOptions o{.count = 400, .seed = 42, .silentFraction = 0.25, .fullFraction = 0.2};
  o.latencyMinMs = 10;
  o.latencyMaxMs = 90;
  o.protocols = {66, 68};
  auto a = q3sim::GenerateServers(o);
  auto b = q3sim::GenerateServers(o);
  ASSERT_EQ(a.size(), 400u);
  int silent = 0, full = 0, p66 = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(q3sim::StatusResponse(a[i], ""), q3sim::StatusResponse(b[i], ""));
    EXPECT_EQ(a[i].silent, b[i].silent);
    EXPECT_EQ(a[i].latencyMinMs, a[i].latencyMaxMs);
    EXPECT_GE(a[i].latencyMinMs, 10);
    EXPECT_LE(a[i].latencyMinMs, 90);
    silent += a[i].silent;
    full += static_cast<int>(a[i].players.size()) == std::stoi(a[i].Info("sv_maxclients"));
    p66 += a[i].Info("protocol") == "66";
    EXPECT_NE(a[i].Info("sv_hostname").find('^'), std::string::npos);
  }
  EXPECT_GT(silent, 60);
  EXPECT_LT(silent, 140);
  EXPECT_GT(full, 40);
  EXPECT_GT(p66, 120);
  o.seed = 43;
  EXPECT_NE(q3sim::StatusResponse(q3sim::GenerateServers(o)[0], ""),
            q3sim::StatusResponse(a[0], ""));
}

TEST(Q3SimFarm, TwoThousandServersStartAndAnswer) {
  auto configs = q3sim::GenerateServers({.count = 2000});
  q3sim::Farm farm;
  auto ids = q3sim::AddServers(farm, configs);
  ASSERT_EQ(ids.size(), 2000u);
  ASSERT_TRUE(farm.Start());
  Client client;
  std::set<std::uint16_t> answered;
  for (std::size_t first = 0; first < ids.size(); first += 100) {
    for (std::size_t i = first; i < first + 100; ++i) client.Send(farm.Port(ids[i]), kGetStatus);
    for (int i = 0; i < 100; ++i) {
      std::uint16_t from = 0;
      auto r = client.Recv(3000, &from);
      ASSERT_TRUE(r);
      ASSERT_EQ(r->substr(0, 19), kFF + "statusResponse\n");
      answered.insert(from);
    }
  }
  EXPECT_EQ(answered.size(), 2000u);
  EXPECT_TRUE(farm.RemoveServer(ids[0]));
  client.Send(farm.Port(ids[1]), kGetStatus);
  EXPECT_TRUE(client.Recv(2000));
  EXPECT_EQ(farm.Port(ids[0]), 0);
  farm.Stop();
  EXPECT_FALSE(farm.Running());
}

}  // namespace
