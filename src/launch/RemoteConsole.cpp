#include "launch/RemoteConsole.h"

#include "core/ServerInfo.h"
#include "core/StatusLine.h"

namespace vyk {

std::string CleanRconAnswer(const std::string& answer) {
  static const std::string kHeader("\xFF\xFF\xFF\xFFprint\n");
  std::string text;
  text.reserve(answer.size());
  for (std::size_t from = 0;;) {
    std::size_t at = answer.find(kHeader, from);
    text.append(answer, from, at == std::string::npos ? std::string::npos : at - from);
    if (at == std::string::npos) break;
    from = at + kHeader.size();
  }
  std::string shown;
  shown.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    if (c == '\n') {
      shown += "\r\r\n";
    } else {
      shown.push_back(c);
    }
  }
  return shown;
}

std::optional<std::string> RunRemoteCommand(ServerInfo& server, const std::string& password,
                                            const std::string& command,
                                            std::chrono::milliseconds firstWait) {
  if (server.host.empty()) return std::nullopt;
  server.password = password.substr(0, kMaxRconPasswordLength);
  const std::string sent = command.substr(0, kMaxRconCommandLength);
  ScopedStatus status("RCON :" + sent + " ON " + server.Address());
  return CleanRconAnswer(server.Rcon(sent, firstWait));
}

}  // namespace vyk
