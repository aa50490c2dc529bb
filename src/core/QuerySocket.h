#pragma once
// One request/answer exchange with one game server over UDP, in the game's
// connectionless packet form (four 0xFF bytes, then text), and the tables the
// status parse fills. Short-lived: one object per exchange.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/NameList.h"
#include "platform/UdpSocket.h"

namespace vyk {

class QuerySocket {
 public:
  static constexpr int kBufferSize = 8192;   // request, then answer and its zero byte
  static constexpr int kMaxAnswer = 8191;    // characters of answer kept
  static constexpr int kTimeoutSeconds = 2;  // wait for the first datagram
  static constexpr int kMaxPassword = 63;
  static constexpr int kPairSlots = 32;
  static constexpr int kMaxPairs = 31;           // one slot stays empty after the last
  static constexpr int kMaxKey = 31;             // 32-byte field with its terminator
  static constexpr int kMaxValue = 63;           // 64-byte field with its terminator
  static constexpr int kPairSearchBytes = 3072;  // part of the answer searched for pairs
  static constexpr int kMaxPlayerName = 32;

  struct PairSlot {
    std::string key;
    std::string value;
  };

  QuerySocket(const std::string& host, std::uint16_t port, const std::string& password);
  QuerySocket(const QuerySocket&) = delete;
  QuerySocket& operator=(const QuerySocket&) = delete;

  // Sends the 14-byte status request; the joined answer, or nothing.
  std::optional<std::string> RequestStatus();
  // Sends "rcon <password> <command>"; the joined answer, or nothing.
  std::optional<std::string> SendRcon(const std::string& command);
  // RequestStatus, then both parses: pairs + player lines, or -1 on failure.
  std::int32_t QueryStatus();

  // The parses, on any answer text. The text is read as a C string: it ends
  // at its first zero byte (an exchange never yields one inside an answer).
  // Pair parse over the first 3072 bytes -> pairs stored (0..31).
  int ParsePairs(std::string_view answer);
  // Player parse over the whole text -> player lines read.
  int ParsePlayers(std::string_view answer);
  // Both, as QueryStatus does after a successful exchange.
  int ParseAnswer(std::string_view answer);

  std::int32_t Ping() const { return ping_; }
  int PairCount() const { return pairCount_; }
  int PlayerLineCount() const { return playerCount_; }
  // Slot `index` of the pair table; an empty slot when out of range.
  const PairSlot& Pair(int index) const;
  const NameList& Players() const { return players_; }
  bool HasAddress() const { return hasAddress_; }

 private:
  std::optional<std::string> Exchange(const std::string& request);

  UdpSocket socket_;
  Ipv4Endpoint server_;
  bool hasAddress_ = false;
  std::string password_;
  std::int32_t timeout_ = kTimeoutSeconds;
  std::string buffer_;
  int pairCount_ = 0;
  int playerCount_ = 0;
  std::array<PairSlot, kPairSlots> pairs_;
  NameList players_;
  std::int32_t ping_ = 9999;
};

}  // namespace vyk
