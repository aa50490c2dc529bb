#pragma once
// Refreshing every server of the list under a limit of concurrent exchanges,
// and refreshing one server alone.
#include <chrono>

#include "core/AnswerWait.h"
#include "core/RefreshView.h"
#include "core/ServerInfo.h"
#include "core/ServerList.h"

namespace vyk {

struct Settings;

// Name of the counting semaphore that bounds the exchanges running at once.
inline constexpr const char* kRefreshSemaphoreName = "RELOAD_THREAD_NAME";
// A hand-edited MaxThread far beyond what the Options dialog allows would
// only make the join take millions of counts; no refresh uses more.
inline constexpr int kMaxRefreshThreads = 1024;

// One server to query: the record inside the ServerList, its index, how
// long its exchange waits for the first datagram, and how many status
// requests it may send meanwhile.
struct RefreshJob {
  ServerInfo* record = nullptr;
  int index = -1;
  std::chrono::milliseconds firstWait = kAnswerWait;
  int attempts = 1;
};

// maxThread as a refresh uses it: raised to 1 when below (hand-edited
// Config.ini), cut to kMaxRefreshThreads when above.
int EffectiveMaxThread(const Settings& settings);
// queryAttempts as a refresh uses it: a hand-edited value kept within 1..kMaxQueryAttempts.
int EffectiveQueryAttempts(const Settings& settings);

// Takes one count of the refresh semaphore (creating it with maxThread counts
// when no handle is open), queries the record and queues its index, gives the
// count back. 0 when the query got an answer with content, else 1.
int RefreshWorker(const RefreshJob& job, int maxThread);

// Queries every server with at most maxThread exchanges at once, updating rows
// as answers come in when displayOnReload is set, then rebuilds the rows
// (every server when showAll, else those passing the filters). Blocks until
// every worker has finished. The list must not change size meanwhile.
void RefreshAll(ServerList& servers, const Settings& settings, RefreshView& view, bool showAll,
                std::chrono::milliseconds firstWait = kAnswerWait);

// Queries one server on the calling thread, then updates and selects its row.
// Indices outside the list do nothing.
void RefreshOne(ServerList& servers, const Settings& settings, RefreshView& view, int index,
                std::chrono::milliseconds firstWait = kAnswerWait);

// Moves finished indices from the CompletedQueue into the view (only when
// displayOnReload is set; otherwise they stay queued).
void DrainCompleted(const Settings& settings, RefreshView& view);

}  // namespace vyk
