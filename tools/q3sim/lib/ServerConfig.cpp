#include "ServerConfig.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace q3sim {

std::string ServerConfig::Info(const std::string& key) const {
  for (const auto& [k, v] : info) {
    if (k == key) return v;
  }
  return {};
}

void ServerConfig::SetInfo(const std::string& key, const std::string& value) {
  for (auto& [k, v] : info) {
    if (k == key) {
      v = value;
      return;
    }
  }
  info.emplace_back(key, value);
}

void ServerConfig::RemoveInfo(const std::string& key) {
  info.erase(
      std::remove_if(info.begin(), info.end(), [&](const auto& p) { return p.first == key; }),
      info.end());
}

static std::string VersionForProtocol(int protocol) {
  switch (protocol) {
    case 66:
      return "Q3 1.30 linux-i386 Nov 28 2001";
    case 67:
      return "Q3 1.31 linux-i386 Jan 13 2002";
    default:
      return "ioq3 1.36_GIT_5d3f6ea5-2024-02-28 linux-x86_64 Feb 29 2024";
  }
}

ServerConfig DefaultServerConfig(const std::string& hostname, const std::string& map,
                                 int protocol) {
  ServerConfig c;
  c.info = {
      {"version", VersionForProtocol(protocol)},
      {"dmflags", "0"},
      {"fraglimit", "20"},
      {"timelimit", "15"},
      {"g_gametype", "0"},
      {"sv_hostname", hostname},
      {"sv_maxclients", "16"},
      {"sv_privateClients", "0"},
      {"sv_minRate", "0"},
      {"sv_maxRate", "25000"},
      {"sv_minPing", "0"},
      {"sv_maxPing", "0"},
      {"sv_floodProtect", "1"},
      {"sv_allowDownload", "0"},
      {"protocol", std::to_string(protocol)},
      {"mapname", map},
      {"g_needpass", "0"},
      {"gamename", "baseq3"},
      {"capturelimit", "8"},
      {"bot_minplayers", "0"},
  };
  return c;
}

// ioquake3's "status" console command, one line per print.
static std::string StatusTable(const ServerConfig& config) {
  std::string out = "map: " + config.Info("mapname") + "\n";
  out += "num score ping name            lastmsg address               qport rate\n";
  out += "--- ----- ---- --------------- ------- --------------------- ----- -----\n";
  char line[256];
  for (std::size_t i = 0; i < config.players.size(); ++i) {
    const Player& p = config.players[i];
    std::snprintf(line, sizeof line, "%3d %5d %4d ", static_cast<int>(i), p.score, p.ping);
    out += line;
    out += p.name;
    std::size_t pad = p.name.size() < 16 ? 16 - p.name.size() : 1;
    out += "^7" + std::string(pad, ' ');
    std::string addr = p.ping == 0 ? "bot" : "10.0.0." + std::to_string(i + 2) + ":27960";
    std::snprintf(line, sizeof line, "%7d %-21s %5d %5d\n", 50, addr.c_str(),
                  1000 + static_cast<int>(i), 25000);
    out += line;
  }
  out += "\n";
  return out;
}

std::string DefaultRconOutput(const ServerConfig& config, const std::string& command) {
  std::string word = command.substr(0, command.find(' '));
  std::transform(word.begin(), word.end(), word.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  if (word == "status") return StatusTable(config);
  if (word == "serverinfo") {
    std::string out = "Server info settings:\n";
    for (const auto& [k, v] : config.info) {
      std::string key = k;
      if (key.size() < 20) key.resize(20, ' ');
      out += key + v + "\n";
    }
    return out;
  }
  if (command.empty()) return {};
  return command + "\n";
}

}  // namespace q3sim
