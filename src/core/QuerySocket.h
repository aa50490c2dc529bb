#pragma once
// One request/answer exchange with one game server over UDP, in the game's
// connectionless packet form (four 0xFF bytes, then text). Short-lived: one
// object per exchange.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "core/AnswerWait.h"
#include "core/ServerInfo.h"
#include "core/StatusAnswer.h"
#include "platform/UdpSocket.h"

namespace vyk {

class QuerySocket {
 public:
  static constexpr int kBufferSize = 8192;  // request, then answer and its zero byte
  static constexpr int kMaxAnswer = 8191;   // characters of answer kept
  static constexpr int kMaxPassword = 63;

  // firstWait: how long an exchange waits for the first datagram; it also
  // bounds how long a sender that never stops can keep the exchange going.
  QuerySocket(const std::string& host, std::uint16_t port, const std::string& password,
              std::chrono::milliseconds firstWait = kAnswerWait);
  QuerySocket(const QuerySocket&) = delete;
  QuerySocket& operator=(const QuerySocket&) = delete;

  // Sends the 14-byte status request; the joined answer, or nothing.
  std::optional<std::string> RequestStatus();
  // Sends "rcon <password> <command>"; the joined answer, or nothing.
  std::optional<std::string> SendRcon(const std::string& command);
  // RequestStatus, then the parse: pairs + player lines, or -1 on failure.
  std::int32_t QueryStatus();

  std::int32_t Ping() const { return ping_; }
  // The tables of the last QueryStatus; empty after a failed one.
  const StatusAnswer& Status() const { return status_; }
  bool HasAddress() const { return hasAddress_; }

 private:
  std::optional<std::string> Exchange(const std::string& request);

  NetEndpoint server_;  // made before hasAddress_, which resolves into it
  bool hasAddress_ = false;
  UdpSocket socket_;  // of the server's family
  std::string password_;
  std::chrono::milliseconds firstWait_;
  std::string buffer_;
  StatusAnswer status_;
  std::int32_t ping_ = kNoPing;
};

}  // namespace vyk
