#pragma once
// What an operation that can fail gives back: done, or failed with the text the
// user must see. The window shows it in its "Error" box (information icon, OK),
// owned by the main window; a failure may also have nothing to show.
//
// The box has always come up over the status texts of the operation that
// failed, and these went back only once it was closed. A failure therefore
// keeps the texts it was given (KeepingStatus) announced until it is dropped,
// then restores them, innermost first: look at it in the statement that made it.
#include <string>
#include <vector>

namespace vyk {

class ScopedStatus;

class [[nodiscard]] Outcome {
 public:
  // Done.
  Outcome() = default;
  // Failed; an empty message has nothing to show.
  static Outcome Failure(std::string message = {});

  Outcome(Outcome&& other) noexcept;
  Outcome& operator=(Outcome&& other) noexcept;
  Outcome(const Outcome&) = delete;
  Outcome& operator=(const Outcome&) = delete;
  ~Outcome();

  bool Ok() const { return !failed_; }
  explicit operator bool() const { return Ok(); }
  // The text to show: empty when done, or when the failure has nothing to show.
  const std::string& Message() const { return message_; }

  // A failure with a message keeps `status` announced for as long as it is held,
  // restoring it after those it already keeps; otherwise `status` is left as it is.
  Outcome KeepingStatus(ScopedStatus& status) &&;

 private:
  void RestoreStatus();

  bool failed_ = false;
  std::string message_;
  std::vector<std::string> restore_;  // status texts, restored front to back
};

}  // namespace vyk
