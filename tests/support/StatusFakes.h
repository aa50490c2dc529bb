#pragma once
// The status line and message boxes, recorded; installed for the fake's lifetime.
#include <algorithm>
#include <string>
#include <vector>

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
  void ShowError(const std::string& t) override { errors.push_back(t); }

  bool Showed(const std::string& t) const {
    return std::find(shown.begin(), shown.end(), t) != shown.end();
  }

  std::string text = "  Ready";
  std::vector<std::string> shown;
  std::vector<std::string> errors;
};

}  // namespace vyk::test
