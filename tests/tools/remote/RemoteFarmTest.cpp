// The Farm of the Windows build, run here against `q3sim --control`.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Farm.h"
#include "LoopbackClient.h"
#include "Replies.h"
#include "Wire.h"

extern char** environ;

namespace {

using namespace std::string_literals;

const std::string kGetStatus = "\xff\xff\xff\xffgetstatus"s;

// `q3sim --control 0` for one test; Q3SIM_CONTROL names it while it runs.
class ControlProcess {
 public:
  ControlProcess() {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(Q3SIM_PROGRAM), const_cast<char*>("--control"),
                    const_cast<char*>("0"), nullptr};
    if (posix_spawn(&pid_, Q3SIM_PROGRAM, &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    FILE* in = fdopen(out[0], "r");
    unsigned port = 0;
    if (pid_ > 0 && std::fscanf(in, "control %u", &port) == 1) port_ = port;
    std::fclose(in);
    setenv("Q3SIM_CONTROL", ("127.0.0.1:" + std::to_string(port_)).c_str(), 1);
  }
  ~ControlProcess() { Stop(); }
  std::uint16_t Port() const { return static_cast<std::uint16_t>(port_); }
  // Exit status after SIGTERM, -1 when it did not exit by itself.
  int Stop() {
    if (pid_ <= 0) return status_;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return status_;
  }

 private:
  pid_t pid_ = -1;
  unsigned port_ = 0;
  int status_ = -1;
};

std::string AllBytes() {
  std::string s;
  for (int b = 0; b < 256; ++b) s.push_back(static_cast<char>(b));
  return s;
}

// Every field away from its default.
q3sim::ServerConfig OddConfig() {
  q3sim::ServerConfig c;
  c.info = {{"sv_hostname", AllBytes()}, {AllBytes(), ""}, {"mapname", "q3dm17"}};
  c.players = {{-12, 999, AllBytes()}, {7, 0, ""}};
  c.SetLatency(3, 9, 77);
  c.silent = true;
  c.echoChallenge = false;
  c.rconPassword = "\n\0\xff"s;
  c.splitInto = 3;
  c.splitRepeatsHeader = true;
  c.padTo = 1234;
  c.rawReply = std::vector<std::string>{AllBytes(), ""};
  c.rateLimit = true;
  c.rawPlayerLines = {"0 0 \"x\"\n", AllBytes()};
  c.statusLimit = 0;
  c.datagramMax = 300;
  c.floodAfter = 2;
  c.floodSeed = 0xFFFFFFFF;
  c.replyFromOtherPort = true;
  c.strayBeforeReply = true;
  c.hostile = 0x80000001;
  return c;
}

void ExpectSameConfig(const q3sim::ServerConfig& a, const q3sim::ServerConfig& b) {
  EXPECT_EQ(a.info, b.info);
  ASSERT_EQ(a.players.size(), b.players.size());
  for (std::size_t i = 0; i < a.players.size(); ++i) {
    EXPECT_EQ(a.players[i].score, b.players[i].score);
    EXPECT_EQ(a.players[i].ping, b.players[i].ping);
    EXPECT_EQ(a.players[i].name, b.players[i].name);
  }
  EXPECT_EQ(a.latencyMinMs, b.latencyMinMs);
  EXPECT_EQ(a.latencyMaxMs, b.latencyMaxMs);
  EXPECT_EQ(a.latencySeed, b.latencySeed);
  EXPECT_EQ(a.silent, b.silent);
  EXPECT_EQ(a.echoChallenge, b.echoChallenge);
  EXPECT_EQ(a.rconPassword, b.rconPassword);
  EXPECT_EQ(a.splitInto, b.splitInto);
  EXPECT_EQ(a.splitRepeatsHeader, b.splitRepeatsHeader);
  EXPECT_EQ(a.padTo, b.padTo);
  EXPECT_EQ(a.rawReply, b.rawReply);
  EXPECT_EQ(a.rateLimit, b.rateLimit);
  EXPECT_EQ(a.rawPlayerLines, b.rawPlayerLines);
  EXPECT_EQ(a.statusLimit, b.statusLimit);
  EXPECT_EQ(a.datagramMax, b.datagramMax);
  EXPECT_EQ(a.floodAfter, b.floodAfter);
  EXPECT_EQ(a.floodSeed, b.floodSeed);
  EXPECT_EQ(a.replyFromOtherPort, b.replyFromOtherPort);
  EXPECT_EQ(a.strayBeforeReply, b.strayBeforeReply);
  EXPECT_EQ(a.hostile, b.hostile);
}

TEST(RemoteFarm, DrivesAFarmInTheControlProcess) {
  ControlProcess control;
  ASSERT_NE(control.Port(), 0);
  {
    q3sim::Farm farm;
    q3sim::ServerConfig plain;
    plain.info = {{"sv_hostname", AllBytes()}, {"mapname", "q3dm17"}};
    plain.players = {{5, 40, AllBytes()}};
    plain.splitInto = 3;
    int a = farm.AddServer(plain);
    int b = farm.AddServer(OddConfig());
    ASSERT_EQ(a, 0);
    ASSERT_EQ(b, 1);
    EXPECT_EQ(farm.ServerCount(), 2);
    ExpectSameConfig(farm.Config(a), plain);
    ExpectSameConfig(farm.Config(b), OddConfig());
    EXPECT_EQ(farm.Address(a), "127.0.0.1:" + std::to_string(farm.Port(a)));

    ASSERT_TRUE(farm.Start());
    EXPECT_TRUE(farm.Running());
    q3sim_test::Client client;
    client.Send(farm.Port(a), kGetStatus);
    EXPECT_EQ(client.RecvAll(), q3sim::ReplyDatagrams(plain, q3sim::ParseRequest(kGetStatus)));
    q3sim::ServerStats stats = farm.Stats(a);
    EXPECT_EQ(stats.requests, 1u);
    EXPECT_EQ(stats.replies, 1u);
    EXPECT_EQ(stats.lastRequest, kGetStatus);
    EXPECT_LT(std::chrono::system_clock::now() - stats.lastReplySent, std::chrono::minutes(1));
    EXPECT_LE(stats.lastRepliedRequestArrived, stats.lastReplySent);
    ASSERT_EQ(stats.recentReplies.size(), 1u);
    EXPECT_EQ(stats.recentReplies[0].request, kGetStatus);
    EXPECT_EQ(stats.recentReplies[0].requestArrived, stats.lastRepliedRequestArrived);
    EXPECT_EQ(stats.recentReplies[0].replySent, stats.lastReplySent);
    EXPECT_EQ(farm.TotalRequests(), 1u);
    EXPECT_EQ(farm.InFlight(), 0);
    EXPECT_EQ(farm.MaxInFlight(), 1);

    std::uint16_t master = farm.OpenMaster();
    ASSERT_NE(master, 0);
    EXPECT_EQ(farm.MasterPort(), master);
    q3sim::MasterConfig mc;
    mc.delayMs = 5;
    mc.listFarm = false;
    mc.listedServers = std::vector<int>{7, -1};
    mc.extraEntries = {
        {{1, 2, 3, 4}, 27960},
        {{255, 0, 0, 255}, 65535},
        q3sim::MasterEntry::Ipv6({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 255}, 40000)};
    mc.knowsExt = false;
    mc.floodProtection = true;
    mc.floodBurst = 3;
    mc.floodDecayMs = 77;
    farm.SetMasterConfig(mc);
    q3sim::MasterConfig got = farm.GetMasterConfig();
    EXPECT_EQ(got.delayMs, 5);
    EXPECT_FALSE(got.silent);
    EXPECT_FALSE(got.listFarm);
    EXPECT_EQ(got.listedServers, mc.listedServers);
    EXPECT_EQ(got.extraEntries, mc.extraEntries);
    EXPECT_FALSE(got.knowsExt);
    EXPECT_TRUE(got.floodProtection);
    EXPECT_EQ(got.floodBurst, 3);
    EXPECT_EQ(got.floodDecayMs, 77);
    const std::string getservers = "\xff\xff\xff\xffgetservers 68 empty full"s;
    client.Send(master, getservers);
    EXPECT_EQ(client.RecvAll(), q3sim::MasterResponse(mc.extraEntries));
    q3sim::MasterStats ms = farm.GetMasterStats();
    EXPECT_EQ(ms.requests, 1u);
    EXPECT_EQ(ms.replies, 1u);
    EXPECT_EQ(ms.lastRequest, getservers);
    EXPECT_EQ(ms.getservers, 1u);
    EXPECT_EQ(ms.getserversExt, 0u);
    EXPECT_EQ(ms.floodDropped, 0u);
    EXPECT_EQ(ms.recentRequests, std::vector<std::string>{getservers});

    const int second = farm.AddMaster({}, 0, q3sim::Family::kIpv4);
    ASSERT_EQ(second, 1);
    EXPECT_EQ(farm.MasterAddress(second), "127.0.0.1:" + std::to_string(farm.MasterPort(second)));
    mc.floodBurst = 1;
    EXPECT_TRUE(farm.SetMasterConfig(second, mc));
    EXPECT_EQ(farm.GetMasterConfig(second).floodBurst, 1);
    EXPECT_FALSE(farm.SetMasterConfig(second + 1, mc));
    client.Send(farm.MasterPort(second), "\xff\xff\xff\xffgetserversExt Quake3Arena 68"s);
    client.Send(farm.MasterPort(second), getservers);
    client.Send(farm.MasterPort(second), getservers);
    EXPECT_EQ(client.RecvAll(), q3sim::MasterResponse(mc.extraEntries));
    EXPECT_EQ(farm.GetMasterStats(second).getserversExt, 1u);
    EXPECT_EQ(farm.GetMasterStats(second).floodDropped, 1u);
    // A long list still fits one message.
    q3sim::MasterConfig longList;
    longList.extraEntries.assign(4000, {{10, 1, 2, 3}, 27960});
    longList.extraEntries.back() = mc.extraEntries.back();
    EXPECT_TRUE(farm.SetMasterConfig(second, longList));
    EXPECT_EQ(farm.GetMasterConfig(second).extraEntries, longList.extraEntries);

    // What the network loses, counted on the other side.
    farm.SetDrop(0.5, 11);
    for (int i = 0; i < 20; ++i) client.Send(farm.Port(a), kGetStatus);
    client.RecvAll(500);
    farm.SetDrop(0);
    stats = farm.Stats(a);
    EXPECT_EQ(stats.requests + stats.requestsDropped, 21u);
    EXPECT_NE(stats.repliesDropped, 0u);
    EXPECT_EQ(stats.replies + stats.repliesDropped, stats.requests);
    EXPECT_GE(stats.datagramsDropped, stats.repliesDropped);

    farm.ResetCounters();
    EXPECT_EQ(farm.Stats(a).requests, 0u);
    EXPECT_TRUE(farm.Modify(a, [](q3sim::ServerConfig& c) { c.SetInfo("mapname", "q3dm6"); }));
    EXPECT_EQ(farm.Config(a).Info("mapname"), "q3dm6");

    q3sim::ServerConfig handled = plain;
    handled.rconHandler = [](const std::string&) { return std::string("x"); };
    EXPECT_EQ(farm.AddServer(handled), -1);
    EXPECT_FALSE(farm.SetConfig(a, handled));
    q3sim::ServerConfig huge = plain;
    huge.SetInfo("big", std::string(70000, 'x'));
    EXPECT_EQ(farm.AddServer(huge), -1);
    EXPECT_EQ(farm.ServerCount(), 2);
    if (farm.HasIpv6()) {
      const int six = farm.AddServer(plain, 0, q3sim::Family::kIpv6);
      EXPECT_EQ(farm.Address(six), "[::1]:" + std::to_string(farm.Port(six)));
      q3sim_test::Client client6(q3sim::Family::kIpv6);
      client6.Send(farm.Port(six), kGetStatus);
      EXPECT_TRUE(client6.Recv(2000));
    }

    EXPECT_TRUE(farm.RemoveServer(b));
    EXPECT_FALSE(farm.RemoveServer(b));
    EXPECT_EQ(farm.Port(b), 0);
    EXPECT_EQ(farm.StrayPort(0), 0);
    farm.Stop();
    EXPECT_FALSE(farm.Running());
  }
  EXPECT_EQ(control.Stop(), 0);
}

// A request sent again (its answer was lost) is answered again, not done again.
TEST(RemoteFarm, AResentRequestIsDoneOnce) {
  ControlProcess control;
  ASSERT_NE(control.Port(), 0);
  q3sim_test::Client client;
  auto call = [&](std::uint64_t seq, std::uint64_t handle, const std::string& op,
                  const std::string& args) {
    q3sim::wire::Writer w;
    q3sim::wire::PutRequestHead(w, {42, seq, handle, op});
    client.Send(control.Port(), w.Data() + args);
    std::string answer = client.Recv(5000).value_or("");
    q3sim::wire::Reader r(answer);
    std::uint64_t answerSeq = 0;
    q3sim::wire::Status status{};
    EXPECT_TRUE(q3sim::wire::GetAnswerHead(r, answerSeq, status));
    EXPECT_EQ(answerSeq, seq);
    EXPECT_EQ(status, q3sim::wire::Status::Ok);
    return answer.substr(answer.size() - r.Remaining());
  };
  // A Reader reads the bytes in place: they must outlive it.
  const std::string madeAnswer = call(1, 0, "New", "");
  q3sim::wire::Reader made(madeAnswer);
  std::uint64_t handle = made.U64();
  q3sim::wire::Writer add;
  q3sim::wire::Put(add, q3sim::ServerConfig{});
  add.U16(0);
  add.U8(static_cast<std::uint8_t>(q3sim::Family::kIpv4));
  EXPECT_EQ(call(2, handle, "AddServer", add.Data()), call(2, handle, "AddServer", add.Data()));
  const std::string countAnswer = call(3, handle, "ServerCount", "");
  q3sim::wire::Reader count(countAnswer);
  int servers = 0;
  q3sim::wire::Get(count, servers);
  EXPECT_TRUE(count.Done());
  EXPECT_EQ(servers, 1);
}

}  // namespace
