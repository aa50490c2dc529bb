#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "core/AnswerWait.h"
#include "core/NameList.h"

namespace vyk {

inline constexpr std::uint16_t kDefaultPort = 27960;
// The ping of a server that has not answered (yet).
inline constexpr std::int32_t kNoPing = 9999;
inline constexpr const char* kDefaultHost = "127.0.0.1";

class CachedNames;
class StatusAnswer;

struct InfoPair {
  std::string key;
  std::string value;
};

// Status requests of a server's last few exchanges: how many were sent and how
// many of them got no answer. In memory only, never in cache.srv.
class AttemptHistory {
 public:
  static constexpr int kExchanges = 5;

  // One exchange: attempts counted, of which `lost` got no answer. An exchange
  // that sent nothing is not counted.
  void Add(int sent, int lost);
  int Sent() const;
  int Lost() const;

 private:
  std::array<std::uint8_t, kExchanges> sent_{};
  std::array<std::uint8_t, kExchanges> lost_{};
  int next_ = 0;
};

// The record of one game server. Plain value; `name` is never copied from
// another record but re-read from the server cache for the record's address.
class ServerInfo {
 public:
  std::vector<InfoPair> info;  // at most 31, sorted by key without regard to case
  NameList players;
  std::string host = kDefaultHost;
  std::int32_t ping = kNoPing;
  std::uint16_t port = kDefaultPort;
  std::int32_t buddyCount = 0;
  std::string password;
  std::string name = "-";
  bool queried = false;
  // The server echoed no token after several attempts: the ping is timed
  // from the first, which may not be the one it answered.
  bool pingUncertain = false;
  AttemptHistory attempts;

  ServerInfo();
  ServerInfo(std::string host, std::uint16_t port, std::string password = {});
  // Named from a look at the cache already taken.
  ServerInfo(std::string host, std::uint16_t port, const CachedNames& names);
  ServerInfo(const ServerInfo& other);
  ServerInfo& operator=(const ServerInfo& other);
  ServerInfo(ServerInfo&& other) noexcept = default;
  ServerInfo& operator=(ServerInfo&& other) noexcept = default;

  std::string Address() const;  // "%s:%d"; "[%s]:%d" for an IPv6 host
  bool SetAddress(const std::string& text);
  std::string InfoValue(const std::string& key) const;  // case-sensitive, first match
  std::string KeyAt(int index) const;
  std::string ValueAt(int index) const;
  bool Matches(const ServerInfo& other) const;

  // One status exchange; firstWait and maxAttempts as QuerySocket takes them.
  bool Query(std::chrono::milliseconds firstWait = kAnswerWait, int maxAttempts = 1);
  // What Query does after its exchange: the parsed answer and its ping into
  // the record, a non-empty "sv_hostname" into the server cache as the name.
  void TakeAnswer(const StatusAnswer& status, std::int32_t answerPing);
  // One remote-console exchange: the answer, or "" when none came.
  std::string Rcon(const std::string& command, std::chrono::milliseconds firstWait = kAnswerWait);

  bool IsTimedOut() const;
  bool NeedsPassword() const;
  std::string VersionText() const;
  int PlayerCount() const { return players.Count(); }
};

// For the row's tooltip: "Loss 1 of 6 (17 %)" over the last exchanges, with
// ", ping uncertain" when it is; empty before any request was sent.
std::string LossTooltipText(const ServerInfo& record);

}  // namespace vyk
