#include "launch/FreeSlotWait.h"

#include <algorithm>

#include "core/ServerCellColor.h"
#include "core/ServerColumns.h"

namespace vyk {
namespace {

long WholeSeconds(std::chrono::nanoseconds span) {
  return static_cast<long>(std::max<std::int64_t>(
      0, std::chrono::ceil<std::chrono::seconds>(span).count()));
}

}  // namespace

FreeSlotWait::FreeSlotWait(const ServerInfo& server, SteadyTime start, Timing timing)
    : address_(server.Address()),
      count_(ServerCellText(server, kPlayersColumn)),
      timing_(timing),
      end_(start + timing.limit) {}

SteadyTime FreeSlotWait::NextAsk() const {
  if (!asked_) return SteadyTime{};
  return lastAsk_ + std::max(timing_.interval, timing_.minInterval);
}

void FreeSlotWait::Asked(SteadyTime at) {
  lastAsk_ = at;
  asked_ = true;
}

bool FreeSlotWait::SlotFree(const ServerInfo& answered) {
  if (answered.IsTimedOut() || !answered.queried) return false;
  count_ = ServerCellText(answered, kPlayersColumn);
  return !FillsPublicSlots(answered);
}

std::string FreeSlotWait::StatusText(SteadyTime now) const {
  const long next = asked_ ? WholeSeconds(NextAsk() - now) : 0;
  const long left = WholeSeconds(end_ - now);
  return "Waiting for a free slot on " + address_ + " (" + count_ + "): next look in " +
         std::to_string(next) + " s, " + std::to_string(left / 60) + ":" +
         (left % 60 < 10 ? "0" : "") + std::to_string(left % 60) + " left (Esc stops)";
}

}  // namespace vyk
