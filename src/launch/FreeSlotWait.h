#pragma once
// Waiting for a public slot on a full server: the server is asked again every
// few seconds (never faster than a server lets one address ask), until a slot
// is free or the wait runs out. The window drives it with a timer and its own
// queries; this says when to ask, what an answer means and what to show.
#include <chrono>
#include <string>

#include "core/ServerInfo.h"
#include "platform/UdpSocket.h"

namespace vyk {

class FreeSlotWait {
 public:
  struct Timing {
    std::chrono::milliseconds interval = std::chrono::seconds(5);
    std::chrono::milliseconds minInterval = std::chrono::seconds(1);  // a server's limit per address
    std::chrono::milliseconds limit = std::chrono::minutes(10);
  };

  FreeSlotWait(const ServerInfo& server, SteadyTime start, Timing timing);
  FreeSlotWait(const ServerInfo& server, SteadyTime start) : FreeSlotWait(server, start, Timing{}) {}

  const std::string& Address() const { return address_; }
  // When the server should be asked next; the first time at once.
  SteadyTime NextAsk() const;
  void Asked(SteadyTime at);
  bool Expired(SteadyTime now) const { return now >= end_; }
  // Takes an answer (the record as the query left it): true when a public
  // slot is free, so the game may start.
  bool SlotFree(const ServerInfo& answered);

  // The status line while waiting: the server, its last count, the countdown.
  std::string StatusText(SteadyTime now) const;
  static constexpr const char* kGaveUpText = "No free slot came: the wait has ended";

 private:
  std::string address_;
  std::string count_;  // the players cell of the last answer
  Timing timing_;
  SteadyTime end_;
  SteadyTime lastAsk_{};
  bool asked_ = false;
};

}  // namespace vyk
