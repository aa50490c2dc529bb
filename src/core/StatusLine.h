#pragma once
// The main window's status line and error message box, as the logic sees
// them. The user interface installs a StatusSink; without one, SetStatus
// changes nothing and answers "Ready", and errors go to standard error.
#include <string>

namespace vyk {

class StatusSink {
 public:
  virtual ~StatusSink() = default;
  // Current text of the status field.
  virtual std::string StatusText() = 0;
  // Replace the status field's text and repaint it at once.
  virtual void SetStatusText(const std::string& text) = 0;
  // Message box with caption "Error", an information icon and OK.
  virtual void ShowError(const std::string& text) = 0;
};

void InstallStatusSink(StatusSink* sink);
StatusSink* CurrentStatusSink();

// Sets the status field to two blanks and `text`; returns the previous text, trimmed.
std::string SetStatus(const std::string& text);

// Message box for a failure the user must see (caption "Error").
void ShowErrorMessage(const std::string& text);

// Announces an operation for its lifetime, then restores the previous text.
class ScopedStatus {
 public:
  explicit ScopedStatus(const std::string& text) : previous_(SetStatus(text)) {}
  ~ScopedStatus() { SetStatus(previous_); }
  ScopedStatus(const ScopedStatus&) = delete;
  ScopedStatus& operator=(const ScopedStatus&) = delete;

 private:
  std::string previous_;
};

}  // namespace vyk
