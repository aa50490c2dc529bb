#pragma once
#include <chrono>

namespace vyk {

// How long an exchange with a game server waits for the first datagram of its
// answer; later datagrams count only when they have already arrived.
inline constexpr std::chrono::milliseconds kAnswerWait{2000};

}  // namespace vyk
