// The command line's table and JSON documents of servers.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "TestHome.h"
#include "core/ServerCache.h"
#include "core/ServerJson.h"
#include "core/ServerList.h"
#include "core/ServerTable.h"
#include "core/TextEncoding.h"

namespace vyk {
namespace {

ServerInfo Answered(const std::string& host, std::uint16_t port, const std::string& name, int ping,
                    const std::string& map, const std::string& max) {
  ServerInfo record(host, port);
  record.name = name;
  record.ping = ping;
  record.queried = true;
  record.info = {{"mapname", map}, {"sv_hostname", name}};
  if (!max.empty()) record.info.push_back({"sv_maxclients", max});
  return record;
}

ServerInfo Silent(const std::string& host, std::uint16_t port) {
  ServerInfo record(host, port);
  record.queried = true;
  return record;
}

// A copy takes its name from the server cache, so the name is set in place.
void Put(ServerList& servers, const ServerInfo& record) {
  servers.At(servers.Add(record)).name = record.name;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(TextEncodingTest, Latin1BecomesUtf8AndControlsArePrintable) {
  EXPECT_EQ(Latin1ToUtf8("caf\xE9 \xFF"), "caf\xC3\xA9 \xC3\xBF");
  EXPECT_EQ(Latin1ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  // ESC, C1 CSI and DEL could drive the terminal: each becomes '?'.
  EXPECT_EQ(PrintableText("a\x1b[2Jb\x9b\x7f\xA0"), "a?[2Jb??\xC2\xA0");
  EXPECT_EQ(PrintableText("one\ntwo\tx", true), "one\ntwo\tx");
  EXPECT_EQ(PrintableText("one\ntwo", false), "one?two");
}

TEST(ServerTableTest, ColumnsAlignAndNamesLoseColourCodes) {
  test::TestHome home;
  ServerList servers;
  Put(servers, Answered("10.0.0.5", 27960, "^1Frag ^7Arena", 35, "q3dm17", "16"));
  servers.Add(Silent("10.0.0.10", 27961));
  ServerInfo fresh("10.0.0.9", 27962);  // never queried
  servers.Add(fresh);
  SetFavorite("10.0.0.5:27960", true);
  IncrementConnectCount("10.0.0.5:27960");
  IncrementConnectCount("10.0.0.5:27960");
  servers.At(0).players.Add({"Visor", 10, 3, false});  // name, ping, score
  servers.At(0).buddyCount = 1;

  const auto lines = Lines(FormatServerTable(servers, {1, 0, 2}));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Server      Buddy  Player  Map     Ping  IP               <#>  Fav  Country");
  EXPECT_EQ(lines[1], "-                  -/-                   10.0.0.10:27961");
  EXPECT_EQ(lines[2], "Frag Arena  1      1/16    q3dm17  35    10.0.0.5:27960   2    *");
  EXPECT_EQ(lines[3], "-                  -/-                   10.0.0.9:27962");
}

TEST(ServerTableTest, HostileNamesCannotBreakTheTerminalOrTheColumns) {
  test::TestHome home;
  ServerList servers;
  Put(servers, Answered("10.0.0.1", 27960, "\x1b]0;owned\x07\xE9", 5, "m", "8"));
  Put(servers, Answered("10.0.0.2", 27960, "abcdefghi", 6, "m", "8"));
  const auto lines = Lines(FormatServerTable(servers, {0, 1}));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].find('\x1b'), std::string::npos);
  EXPECT_EQ(lines[1].rfind("?]0;owned?\xC3\xA9         0/8", 0), 0u) << lines[1];
  // Columns align in characters: the two-byte e-acute is one.
  EXPECT_EQ(lines[2].rfind("abcdefghi           0/8", 0), 0u) << lines[2];
  EXPECT_EQ(FormatServerTable(servers, {}),
            "Server  Buddy  Player  Map  Ping  IP  <#>  Fav  Country\n");
}

TEST(ServerJsonTest, AnyBytesGiveAStrictlyValidDocument) {
  ServerList servers;
  const std::string name = "^1\"q\" \\b\x01\x1b\x7f\xE9\xFF";
  ServerInfo record = Answered("10.0.0.5", 27960, name, 35, "q3dm\xB2", "16");
  record.players.Add({"back\\slash \"x\"\t\x80", 50, 12, false});
  record.players.Add({"Sarge", 0, 3, false});  // a bot: ping 0
  record.info.push_back({"mapname", "second value is dropped"});
  record.info.push_back({"k\xE9y", "v"});
  record.info.push_back({"g_needpass", "1"});
  Put(servers, record);
  servers.Add(Silent("10.0.0.6", 27960));

  const std::string text = ServersJson(servers, {0, 1});
  nlohmann::json doc;
  ASSERT_NO_THROW(doc = nlohmann::json::parse(text)) << text;
  ASSERT_EQ(doc["servers"].size(), 2u);
  const auto& s = doc["servers"][0];
  EXPECT_EQ(s["address"], "10.0.0.5:27960");
  EXPECT_EQ(s["name"], Latin1ToUtf8(name));
  EXPECT_EQ(s["timedOut"], false);
  EXPECT_EQ(s["ping"], 35);
  EXPECT_EQ(s["map"], "q3dm\xC2\xB2");
  EXPECT_EQ(s["maxClients"], 16);
  EXPECT_EQ(s["needsPassword"], true);
  EXPECT_EQ(s["country"], "");  // a private address has none
  EXPECT_EQ(s["humans"], 1);
  EXPECT_EQ(s["bots"], 1);
  ASSERT_EQ(s["players"].size(), 2u);
  EXPECT_EQ(s["players"][0]["name"], "back\\slash \"x\"\t\xC2\x80");
  EXPECT_EQ(s["players"][0]["score"], 12);
  EXPECT_EQ(s["players"][0]["ping"], 50);
  EXPECT_EQ(s["info"]["mapname"], "q3dm\xC2\xB2");
  EXPECT_EQ(s["info"]["k\xC3\xA9y"], "v");

  const auto& silent = doc["servers"][1];
  EXPECT_EQ(silent["timedOut"], true);
  EXPECT_EQ(silent["ping"], 9999);
  EXPECT_TRUE(silent["maxClients"].is_null());
  EXPECT_TRUE(silent["players"].empty());
  EXPECT_TRUE(silent["info"].is_object());
}

TEST(ServerJsonTest, MasterDocumentListsEachMasterAndTheAddressesInOrder) {
  auto doc = nlohmann::json::parse(
      MasterJson({{"127.0.0.1:27950", 2, true}, {"[::1]:27950", 0, false}}, {"68", "71"},
                 {"1.2.3.4:5", "[2001:db8::1]:27960"}));
  EXPECT_EQ(doc["masters"][0]["address"], "127.0.0.1:27950");
  EXPECT_EQ(doc["masters"][0]["servers"], 2);
  EXPECT_EQ(doc["masters"][1]["answered"], false);
  EXPECT_EQ(doc["protocols"], nlohmann::json::array({"68", "71"}));
  EXPECT_EQ(doc["servers"], nlohmann::json::array({"1.2.3.4:5", "[2001:db8::1]:27960"}));
  EXPECT_TRUE(nlohmann::json::parse(MasterJson({}, {"68"}, {}))["servers"].empty());
}

}  // namespace
}  // namespace vyk
