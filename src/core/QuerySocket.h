#pragma once
// One request/answer exchange with one game server over UDP, in the game's
// connectionless packet form (four 0xFF bytes, then text). Short-lived: one
// object per exchange.
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

  // attempts 1 sends the 14-byte status request once. More (up to
  // kMaxQueryAttempts) send "getstatus <token>", a token of its own per
  // attempt, until a datagram answers; servers that echo the token as the
  // "challenge" pair tell which attempt they answer, and that pair is taken
  // out of the answer. The joined answer, or nothing.
  std::optional<std::string> RequestStatus(int attempts = 1);
  // Sends "rcon <password> <command>", once: a command must not run twice.
  // The joined answer, or nothing.
  std::optional<std::string> SendRcon(const std::string& command);
  // RequestStatus, then the parse: pairs + player lines, or -1 on failure.
  std::int32_t QueryStatus(int attempts = 1);

  // From the send of the attempt answered (the first, when the server echoes
  // no token) to the system's arrival stamp of the answer.
  std::int32_t Ping() const { return ping_; }
  // Of the last exchange: requests sent before the answer came (all of them
  // without one); the attempt the answer echoed (0 for the first), -1 without
  // an echo; whether the ping is the first attempt's for want of an echo
  // although more were sent.
  int AttemptsSent() const { return attemptsSent_; }
  int AnsweredAttempt() const { return answeredAttempt_; }
  bool PingUncertain() const { return pingUncertain_; }
  // The tables of the last QueryStatus; empty after a failed one.
  const StatusAnswer& Status() const { return status_; }
  bool HasAddress() const { return hasAddress_; }

 private:
  std::optional<std::string> Exchange(const std::string& request, int attempts);
  // Sends the next attempt: the request alone, or with its token.
  bool SendAttempt(const std::string& request, bool tokened);
  // Waits for a datagram until the first wait from `firstSent` is over,
  // sending the next attempt each time its moment comes first.
  int AwaitAnswer(const std::string& request, int attempts, SteadyTime firstSent);
  // The attempt whose token this is, or -1.
  int AttemptOf(std::string_view token) const;
  void Append(std::string_view text);
  // What the datagrams of one exchange have shown so far.
  struct Reading {
    bool tokened = false;
    bool first = true;
    bool echoed = false;
    bool lastBeganWithZero = true;  // nothing received yet
    std::string firstHeader;        // the first datagram's header line
    SteadyTime firstArrival{};
  };
  // The first datagram times the ping from the attempt it answers; false when it
  // carries a token that is none of ours (somebody else's answer).
  bool TakeFirst(Reading& reading, std::string_view text, int echoOf, bool carriesToken,
                 ArrivalTime arrival);
  // After the first datagram: the whole answer to another attempt (or to the same one
  // again) is no piece of this one.
  static bool IsAnotherAnswer(const Reading& reading, std::string_view text, bool carriesChallenge,
                              int attemptsSent);
  // Appends a datagram's text, without our token when it echoes one.
  void AppendAnswer(std::string_view text, const std::optional<InfoPairPlace>& challenge,
                    int echoOf);

  NetEndpoint server_;  // made before hasAddress_, which resolves into it
  bool hasAddress_ = false;
  UdpSocket socket_;  // of the server's family
  std::string password_;
  std::chrono::milliseconds firstWait_;
  std::string buffer_;
  StatusAnswer status_;
  std::int32_t ping_ = kNoPing;
  std::array<std::string, kMaxQueryAttempts> tokens_;
  std::array<ArrivalTime, kMaxQueryAttempts> sentAt_{};
  int attemptsSent_ = 0;
  int answeredAttempt_ = -1;
  bool pingUncertain_ = false;
};

}  // namespace vyk
