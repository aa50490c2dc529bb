#pragma once
// A game server's status answer taken apart: the info pairs of its second
// line and the player lines after it. Only text goes in; no socket.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/NameList.h"

namespace vyk {

class StatusAnswer {
 public:
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

  // The text is read as a C string: it ends at its first zero byte (an
  // exchange never yields one inside an answer).
  // Pair parse over the first 3072 bytes -> pairs stored (0..31).
  int ParsePairs(std::string_view answer);
  // Player parse over the whole text -> player lines read.
  int ParsePlayers(std::string_view answer);
  // Both: pairs stored plus player lines read.
  int Parse(std::string_view answer);
  // Empty tables, as before any parse.
  void Clear();

  int PairCount() const { return pairCount_; }
  int PlayerLineCount() const { return playerCount_; }
  // Slot `index` of the pair table; an empty slot when out of range.
  const PairSlot& Pair(int index) const;
  const NameList& Players() const { return players_; }

 private:
  int pairCount_ = 0;
  int playerCount_ = 0;
  std::array<PairSlot, kPairSlots> pairs_;
  NameList players_;
};

// Where the info pair of `key` (case-sensitive, first match) lies in an answer,
// its info line read as the pair parse reads it: from the backslash before the
// key to the end of the value.
struct InfoPairPlace {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::string_view value;
};
std::optional<InfoPairPlace> FindInfoPair(std::string_view answer, std::string_view key);

}  // namespace vyk
