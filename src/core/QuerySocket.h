#pragma once
// One request/answer exchange with one game server over UDP, in the game's
// connectionless packet form (four 0xFF bytes, then text). Short-lived: one
// object per exchange.
#include <cstdint>
#include <optional>
#include <string>

#include "core/StatusAnswer.h"
#include "platform/UdpSocket.h"

namespace vyk {

class QuerySocket {
 public:
  static constexpr int kBufferSize = 8192;   // request, then answer and its zero byte
  static constexpr int kMaxAnswer = 8191;    // characters of answer kept
  static constexpr int kTimeoutSeconds = 2;  // wait for the first datagram
  static constexpr int kMaxPassword = 63;

  QuerySocket(const std::string& host, std::uint16_t port, const std::string& password);
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

  UdpSocket socket_;
  Ipv4Endpoint server_;
  bool hasAddress_ = false;
  std::string password_;
  std::int32_t timeout_ = kTimeoutSeconds;
  std::string buffer_;
  StatusAnswer status_;
  std::int32_t ping_ = 9999;
};

}  // namespace vyk
