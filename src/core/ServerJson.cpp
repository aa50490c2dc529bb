#include "core/ServerJson.h"

#include <nlohmann/json.hpp>

#include "core/PlayerKinds.h"
#include "core/Text.h"
#include "platform/CountryLookup.h"
#include "core/TextEncoding.h"

namespace vyk {
namespace {

using nlohmann::ordered_json;

ordered_json Text(const std::string& bytes) {
  return ordered_json(Latin1ToUtf8(bytes));
}

ordered_json ServerObject(const ServerInfo& record) {
  ordered_json server = ordered_json::object();
  server["address"] = Text(record.Address());
  server["name"] = Text(record.name);
  server["timedOut"] = record.IsTimedOut();
  server["ping"] = record.ping;
  server["map"] = Text(record.InfoValue("mapname"));
  const std::string max = record.InfoValue("sv_maxclients");
  server["maxClients"] = max.empty() ? ordered_json(nullptr) : ordered_json(ParseLeadingInt(max));
  server["needsPassword"] = record.NeedsPassword();
  server["country"] = CountryCode(record.host);
  server["humans"] = HumanCount(record);
  server["bots"] = BotCount(record);
  ordered_json players = ordered_json::array();
  for (int i = 0; i < record.PlayerCount(); ++i) {
    const PlayerInfo& p = record.players[i];
    players.push_back({{"name", Text(p.name)}, {"score", p.score}, {"ping", p.ping}});
  }
  server["players"] = std::move(players);
  ordered_json info = ordered_json::object();
  for (const InfoPair& pair : record.info) {
    const std::string key = Latin1ToUtf8(pair.key);
    if (!info.contains(key)) info[key] = Text(pair.value);
  }
  server["info"] = std::move(info);
  return server;
}

}  // namespace

std::string ServersJson(const ServerList& servers, const std::vector<int>& rows) {
  ordered_json list = ordered_json::array();
  for (int index : rows) list.push_back(ServerObject(servers.At(index)));
  ordered_json doc = ordered_json::object();
  doc["servers"] = std::move(list);
  return doc.dump(2) + "\n";
}

std::string MasterJson(const std::vector<MasterJsonRow>& masters,
                       const std::vector<std::string>& protocols,
                       const std::vector<std::string>& addresses) {
  const auto texts = [](const std::vector<std::string>& items) {
    ordered_json list = ordered_json::array();
    for (const std::string& item : items) list.push_back(Text(item));
    return list;
  };
  ordered_json rows = ordered_json::array();
  for (const MasterJsonRow& m : masters)
    rows.push_back({{"address", Text(m.address)}, {"servers", m.servers}, {"answered", m.answered}});
  ordered_json doc = ordered_json::object();
  doc["masters"] = std::move(rows);
  doc["protocols"] = texts(protocols);
  doc["servers"] = texts(addresses);
  return doc.dump(2) + "\n";
}

}  // namespace vyk
