#include "core/StatusLine.h"

#include <atomic>

#include "core/Text.h"

namespace vyk {
namespace {

std::atomic<StatusSink*> g_sink{nullptr};

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
  std::string previous = Trim(sink->StatusText(), kLineBlanks);
  sink->SetStatusText("  " + text);
  return previous;
}

}  // namespace vyk
