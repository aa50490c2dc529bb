#include "core/StatusLine.h"

#include <atomic>
#include <cstdio>

namespace vyk {
namespace {

std::atomic<StatusSink*> g_sink{nullptr};

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n";
  auto first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  auto last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

}  // namespace

void InstallStatusSink(StatusSink* sink) {
  g_sink.store(sink);
}
StatusSink* CurrentStatusSink() {
  return g_sink.load();
}

std::string SetStatus(const std::string& text) {
  StatusSink* sink = g_sink.load();
  if (!sink) return "Ready";
  std::string previous = Trim(sink->StatusText());
  sink->SetStatusText("  " + text);
  return previous;
}

void ShowErrorMessage(const std::string& text) {
  if (StatusSink* sink = g_sink.load()) {
    sink->ShowError(text);
    return;
  }
  std::fprintf(stderr, "Error: %s\n", text.c_str());
}

}  // namespace vyk
