#pragma once
// The status line and the error boxes, recorded; installed for the fake's lifetime.
#include <algorithm>
#include <string>
#include <vector>

#include "core/Outcome.h"
#include "core/StatusLine.h"

namespace vyk::test {

class RecordingStatus : public StatusSink {
 public:
  RecordingStatus() { InstallStatusSink(this); }
  ~RecordingStatus() override { InstallStatusSink(nullptr); }
  RecordingStatus(const RecordingStatus&) = delete;
  RecordingStatus& operator=(const RecordingStatus&) = delete;

  std::string StatusText() override { return text; }
  void SetStatusText(const std::string& t) override {
    text = t;
    shown.push_back(t);
  }
  // The window's part with an operation's outcome: its message is recorded with the status
  // text the box came up over. Whether it is done.
  bool Report(const Outcome& outcome) {
    if (!outcome.Message().empty()) {
      errors.push_back(outcome.Message());
      errorsOver.push_back(text);
    }
    return outcome.Ok();
  }

  bool Showed(const std::string& t) const {
    return std::find(shown.begin(), shown.end(), t) != shown.end();
  }

  std::string text = "  Ready";
  std::vector<std::string> shown;
  std::vector<std::string> errors;
  std::vector<std::string> errorsOver;
};

}  // namespace vyk::test
