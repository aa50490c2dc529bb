#pragma once
// The main window's status line, as the logic sees it. The user interface
// installs a StatusSink; without one, SetStatus changes nothing and answers
// "Ready". Failures are not shown from here: they come back as an Outcome.
#include <string>
#include <utility>

namespace vyk {

class StatusSink {
 public:
  virtual ~StatusSink() = default;
  // Current text of the status field.
  virtual std::string StatusText() = 0;
  // Replace the status field's text and repaint it at once.
  virtual void SetStatusText(const std::string& text) = 0;
};

void InstallStatusSink(StatusSink* sink);
StatusSink* CurrentStatusSink();

// Sets the status field to two blanks and `text`; returns the previous text, trimmed.
std::string SetStatus(const std::string& text);

// Announces an operation for its lifetime, then restores the previous text.
class ScopedStatus {
 public:
  explicit ScopedStatus(const std::string& text) : previous_(SetStatus(text)) {}
  ~ScopedStatus() {
    if (active_) SetStatus(previous_);
  }
  ScopedStatus(const ScopedStatus&) = delete;
  ScopedStatus& operator=(const ScopedStatus&) = delete;

  // Hands the text to restore to the caller (Outcome::KeepingStatus); the
  // scope then restores nothing.
  std::string Release() {
    active_ = false;
    return std::move(previous_);
  }

 private:
  std::string previous_;
  bool active_ = true;
};

}  // namespace vyk
