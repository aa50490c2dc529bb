// The status and remote-console exchanges of a server record, and the values
// derived from its last answers.
#include <algorithm>
#include <numeric>
#include <optional>
#include <string>

#include "core/QuerySocket.h"
#include "core/ServerCache.h"
#include "core/ServerInfo.h"
#include "core/StatusAnswer.h"

namespace vyk {

bool ServerInfo::Query(std::chrono::milliseconds firstWait, int maxAttempts) {
  name = GetCachedName(Address());
  QuerySocket socket(host, port, password, firstWait);
  buddyCount = 0;
  ping = kNoPing;
  const std::int32_t result = socket.QueryStatus(maxAttempts);
  TakeAnswer(socket.Status(), socket.Ping());
  pingUncertain = socket.PingUncertain();
  if (result < 0) {
    attempts.Add(socket.AttemptsSent(), socket.AttemptsSent());
  } else {
    // Attempts sent after the one answered may only be slower; without an
    // echo the answer is taken for the last one's.
    const int counted =
        socket.AnsweredAttempt() >= 0 ? socket.AnsweredAttempt() + 1 : socket.AttemptsSent();
    attempts.Add(counted, counted - 1);
  }
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
  pingUncertain = false;
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

void AttemptHistory::Add(int sent, int lost) {
  if (sent <= 0) return;
  const auto at = static_cast<std::size_t>(next_);
  sent_[at] = static_cast<std::uint8_t>(std::min(sent, kMaxQueryAttempts));
  lost_[at] = static_cast<std::uint8_t>(std::clamp(lost, 0, static_cast<int>(sent_[at])));
  next_ = (next_ + 1) % kExchanges;
}

int AttemptHistory::Sent() const {
  return std::accumulate(sent_.begin(), sent_.end(), 0);
}

int AttemptHistory::Lost() const {
  return std::accumulate(lost_.begin(), lost_.end(), 0);
}

std::string LossTooltipText(const ServerInfo& record) {
  const int sent = record.attempts.Sent();
  if (sent == 0) return {};
  const int lost = record.attempts.Lost();
  std::string text = "Loss " + std::to_string(lost) + " of " + std::to_string(sent) + " (" +
                     std::to_string((lost * 100 + sent / 2) / sent) + " %)";
  if (record.pingUncertain) text += ", ping uncertain";
  return text;
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
