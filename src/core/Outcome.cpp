#include "core/Outcome.h"

#include <utility>

#include "core/StatusLine.h"

namespace vyk {

Outcome Outcome::Failure(std::string message) {
  Outcome failure;
  failure.failed_ = true;
  failure.message_ = std::move(message);
  return failure;
}

Outcome::Outcome(Outcome&& other) noexcept
    : failed_(other.failed_),
      message_(std::move(other.message_)),
      restore_(std::exchange(other.restore_, {})) {}

Outcome& Outcome::operator=(Outcome&& other) noexcept {
  if (this == &other) return *this;
  RestoreStatus();
  failed_ = other.failed_;
  message_ = std::move(other.message_);
  restore_ = std::exchange(other.restore_, {});
  return *this;
}

Outcome::~Outcome() {
  RestoreStatus();
}

Outcome Outcome::KeepingStatus(ScopedStatus& status) && {
  if (failed_ && !message_.empty()) restore_.push_back(status.Release());
  return std::move(*this);
}

void Outcome::RestoreStatus() {
  for (const std::string& text : std::exchange(restore_, {})) SetStatus(text);
}

}  // namespace vyk
