// The status and remote-console exchanges of a server record, and the values
// derived from its last answer.
#include <optional>

#include "core/QuerySocket.h"
#include "core/ServerCache.h"
#include "core/ServerInfo.h"
#include "core/StatusAnswer.h"

namespace vyk {

bool ServerInfo::Query(std::chrono::milliseconds firstWait) {
  name = GetCachedName(Address());
  QuerySocket socket(host, port, password, firstWait);
  buddyCount = 0;
  ping = kNoPing;
  const std::int32_t result = socket.QueryStatus();
  TakeAnswer(socket.Status(), socket.Ping());
  return result > 0;
}

void ServerInfo::TakeAnswer(const StatusAnswer& status, std::int32_t answerPing) {
  players = status.Players();
  info.clear();
  for (int i = 0; i < status.PairCount(); ++i) {
    const StatusAnswer::PairSlot& slot = status.Pair(i);
    info.push_back({slot.key, slot.value});
  }
  ping = answerPing;
  const std::string section = Address();
  const std::string hostname = InfoValue("sv_hostname");
  if (!hostname.empty()) {
    SetCachedName(section, hostname);
    name = hostname;
  } else {
    name = GetCachedName(section);
  }
  queried = true;
}

std::string ServerInfo::Rcon(const std::string& command, std::chrono::milliseconds firstWait) {
  QuerySocket socket(host, port, password, firstWait);
  return socket.SendRcon(command).value_or(std::string());
}

bool ServerInfo::IsTimedOut() const {
  return queried && ping >= kNoPing && InfoValue("mapname").empty();
}

bool ServerInfo::NeedsPassword() const {
  return InfoValue("g_needpass") == "1";
}

std::string ServerInfo::VersionText() const {
  const std::string version = InfoValue("version");
  const std::size_t firstBlank = version.find(' ');
  if (firstBlank == std::string::npos) return version;
  const std::size_t secondBlank = version.find(' ', firstBlank + 1);
  if (secondBlank == std::string::npos) return version;
  return version.substr(0, secondBlank);
}

}  // namespace vyk
