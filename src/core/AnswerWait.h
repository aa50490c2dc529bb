#pragma once
#include <chrono>

namespace vyk {

// How long an exchange with a game server waits for the first datagram of its
// answer; later datagrams count only when they have already arrived.
inline constexpr std::chrono::milliseconds kAnswerWait{2000};

// Status requests sent to a server that has not answered yet, the first
// included. Attempt k leaves (k - 1) quarters of the wait after the first
// (0.5 s apart in the 2-second wait), so retries never lengthen the wait.
inline constexpr int kMaxQueryAttempts = 4;
inline constexpr int kDefaultQueryAttempts = 4;

// The pause between two attempts of one status exchange.
constexpr std::chrono::microseconds AttemptSpacing(std::chrono::milliseconds firstWait) {
  return std::chrono::microseconds(firstWait) / kMaxQueryAttempts;
}

}  // namespace vyk
