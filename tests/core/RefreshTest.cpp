#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Farm.h"
#include "StatusFakes.h"
#include "TestHome.h"
#include "core/CompletedQueue.h"
#include "core/Refresh.h"
#include "core/Settings.h"
#include "core/StatusLine.h"
#include "platform/NamedSemaphore.h"

namespace vyk {
namespace {

using Clock = std::chrono::steady_clock;

int ThreadsNow() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
  }
  return -1;
}

// Records every call and the thread it came from.
class FakeView : public RefreshView {
 public:
  struct Call {
    std::string what;
    int index = -1;
    std::thread::id thread;
  };

  void UpdateRow(int index) override { Record("update", index); }
  void RebuildRows(bool showAll) override { Record(showAll ? "rebuild-all" : "rebuild", -1); }
  void SelectRow(int index) override { Record("select", index); }
  void SetCursor(RefreshCursor cursor) override {
    Record(cursor == RefreshCursor::kAppStarting ? "cursor-starting"
           : cursor == RefreshCursor::kWait      ? "cursor-wait"
                                                 : "cursor-arrow",
           -1);
  }
  void SetDrawingFrozen(bool frozen) override { Record(frozen ? "freeze" : "thaw", -1); }
  void KeepPainted() override {
    int threads = ThreadsNow();
    std::lock_guard lock(mutex_);
    if (threads > maxThreads) maxThreads = threads;
    if (!calls_.empty() && calls_.back().what == "cursor-wait") ++paintsWhileWaiting;
  }

  std::vector<Call> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  std::vector<std::string> Kinds() const {
    std::vector<std::string> kinds;
    for (const Call& call : Calls()) {
      if (call.what != "update") kinds.push_back(call.what);
    }
    return kinds;
  }
  std::map<int, int> Updates() const {
    std::map<int, int> updates;
    for (const Call& call : Calls()) {
      if (call.what == "update") ++updates[call.index];
    }
    return updates;
  }

  int maxThreads = 0;
  int paintsWhileWaiting = 0;  // KeepPainted calls between the wait cursor and the rebuild

 private:
  void Record(const std::string& what, int index) {
    std::lock_guard lock(mutex_);
    calls_.push_back({what, index, std::this_thread::get_id()});
  }
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
};

class RefreshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(farm_.Start());
  }

  // Adds answering servers (fixed latency) and silent ones to farm and list.
  void AddServers(int count, int latencyMs, bool silent = false) {
    for (int i = 0; i < count; ++i) {
      q3sim::ServerConfig config =
          q3sim::DefaultServerConfig("Server " + std::to_string(servers_.Count()));
      config.SetLatency(latencyMs);
      config.silent = silent;
      int id = farm_.AddServer(config);
      ASSERT_GE(id, 0);
      servers_.Add(ServerInfo("127.0.0.1", farm_.Port(id)));
    }
  }

  test::TestHome home_;
  q3sim::Farm farm_;
  test::RecordingStatus status_;
  ServerList servers_;
  Settings settings_;
  FakeView view_;
};

TEST_F(RefreshTest, EmptyListOnlyRebuildsTheRows) {
  RefreshAll(servers_, settings_, view_, false);
  EXPECT_EQ(view_.Kinds(), (std::vector<std::string>{"cursor-starting", "cursor-wait", "freeze",
                                                     "rebuild", "thaw", "cursor-arrow"}));
  EXPECT_TRUE(view_.Updates().empty());
  // Every count came back: a new handle finds the semaphore made afresh.
  NamedSemaphore semaphore(kRefreshSemaphoreName, 3, 3);
  EXPECT_EQ(semaphore.Maximum(), 3);
}

TEST_F(RefreshTest, EveryServerReachesTheViewOnceFromTheCallingThread) {
  AddServers(24, 20);
  settings_.maxThread = 4;
  RefreshAll(servers_, settings_, view_, true);

  std::map<int, int> updates = view_.Updates();
  ASSERT_EQ(updates.size(), 24u);
  for (auto [index, times] : updates) EXPECT_EQ(times, 1) << "index " << index;
  for (const auto& call : view_.Calls()) EXPECT_EQ(call.thread, std::this_thread::get_id());
  EXPECT_EQ(view_.Kinds().back(), "cursor-arrow");
  EXPECT_EQ(view_.Kinds()[view_.Kinds().size() - 3], "rebuild-all");

  EXPECT_LE(farm_.MaxInFlight(), 4);
  EXPECT_GE(farm_.MaxInFlight(), 2);  // the exchanges did overlap
  for (int i = 0; i < servers_.Count(); ++i) {
    const ServerInfo& record = servers_.At(i);
    EXPECT_TRUE(record.queried);
    EXPECT_FALSE(record.IsTimedOut());
    EXPECT_EQ(record.name, "Server " + std::to_string(i));
    EXPECT_GE(record.ping, 19);
    EXPECT_LT(record.ping, 2000);
  }
  EXPECT_EQ(CompletedQueue::Instance().Count(), 0);
}

TEST_F(RefreshTest, AnnouncesEachServerInListOrderThenTheWait) {
  AddServers(5, 0);
  settings_.maxThread = 2;
  RefreshAll(servers_, settings_, view_, false);
  std::vector<std::string> requests;
  for (const std::string& text : status_.shown) {
    if (text.rfind("  Requesting ", 0) == 0) requests.push_back(text.substr(2));
  }
  ASSERT_EQ(requests.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(requests[i], "Requesting " + servers_.At(i).Address());
  EXPECT_TRUE(status_.Showed("  Waiting servers responce "));
  EXPECT_EQ(status_.StatusText(), "  Ready");  // every scoped status gave its text back
}

TEST_F(RefreshTest, OneThreadQueriesOneServerAtATime) {
  AddServers(6, 10);
  settings_.maxThread = 1;
  RefreshAll(servers_, settings_, view_, false);
  EXPECT_EQ(farm_.MaxInFlight(), 1);
  EXPECT_EQ(view_.Updates().size(), 6u);
  for (int i = 0; i < servers_.Count(); ++i) EXPECT_FALSE(servers_.At(i).IsTimedOut());
}

TEST_F(RefreshTest, MaxThreadBelowOneCountsAsOne) {
  AddServers(3, 5);
  for (int bad : {0, -7}) {
    farm_.ResetCounters();
    settings_.maxThread = bad;
    RefreshAll(servers_, settings_, view_, false);
    EXPECT_EQ(farm_.MaxInFlight(), 1);
    for (int i = 0; i < servers_.Count(); ++i) EXPECT_TRUE(servers_.At(i).queried);
  }
}

TEST_F(RefreshTest, WithoutDisplayOnReloadRowsWaitForTheRebuild) {
  AddServers(5, 5);
  settings_.displayOnReload = 0;
  RefreshAll(servers_, settings_, view_, false);
  EXPECT_TRUE(view_.Updates().empty());
  EXPECT_EQ(CompletedQueue::Instance().Count(), 5);
  // The next refresh starts with an empty queue.
  settings_.displayOnReload = 1;
  RefreshAll(servers_, settings_, view_, false);
  EXPECT_EQ(view_.Updates().size(), 5u);
  EXPECT_EQ(CompletedQueue::Instance().Count(), 0);
}

TEST_F(RefreshTest, SilentServersCostTheirTimeoutsInParallel) {
  AddServers(4, 0, /*silent=*/true);
  settings_.maxThread = 2;
  const auto start = Clock::now();
  RefreshAll(servers_, settings_, view_, false, std::chrono::milliseconds(500));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  // About ceil(4 / 2) x 0.5 s; one at a time would be 2 s. The retries fit
  // inside each wait.
  EXPECT_LT(seconds, 1.75);
  for (int i = 0; i < servers_.Count(); ++i) {
    EXPECT_TRUE(servers_.At(i).IsTimedOut());
    EXPECT_EQ(servers_.At(i).name, "-");
    EXPECT_GE(farm_.Stats(i).requests, 2u);
  }
  EXPECT_EQ(view_.Updates().size(), 4u);
}

TEST_F(RefreshTest, NeverRunsMoreWorkerThreadsThanMaxThread) {
  AddServers(40, 30);
  settings_.maxThread = 3;
  const int before = ThreadsNow();
  RefreshAll(servers_, settings_, view_, false);
  ASSERT_GT(view_.maxThreads, 0);
  EXPECT_LE(view_.maxThreads, before + 3);
  EXPECT_EQ(ThreadsNow(), before);  // every worker thread is gone afterwards
}

// Answers that come back one every 20 ms never leave a wait of 50 ms to time out; the
// window must still be painted while the last 1.3 s of answers come in.
TEST_F(RefreshTest, WaitingForAStreamOfAnswersStillPaints) {
  for (int i = 0; i < 64; ++i) {
    q3sim::ServerConfig config = q3sim::DefaultServerConfig("Server " + std::to_string(i));
    config.SetLatency(20 * (i + 1));
    int id = farm_.AddServer(config);
    ASSERT_GE(id, 0);
    servers_.Add(ServerInfo("127.0.0.1", farm_.Port(id)));
  }
  settings_.maxThread = 64;
  RefreshAll(servers_, settings_, view_, false);
  EXPECT_EQ(view_.Updates().size(), 64u);
  // About 1.3 s / 50 ms of them; before, a count back within 50 ms never painted.
  EXPECT_GE(view_.paintsWhileWaiting, 5);
}

TEST_F(RefreshTest, ASemaphoreHeldWithAnotherCountStillEndsTheRefresh) {
  AddServers(6, 10);
  NamedSemaphore stale(kRefreshSemaphoreName, 2, 2);
  settings_.maxThread = 8;
  RefreshAll(servers_, settings_, view_, false);
  EXPECT_LE(farm_.MaxInFlight(), 2);
  EXPECT_EQ(stale.Count(), 2);
  EXPECT_EQ(view_.Updates().size(), 6u);
}

TEST_F(RefreshTest, RefreshOneChecksBoundsThenUpdatesAndSelects) {
  AddServers(1, 5);
  AddServers(1, 0, /*silent=*/true);
  RefreshOne(servers_, settings_, view_, -1);
  RefreshOne(servers_, settings_, view_, 2);
  EXPECT_TRUE(view_.Calls().empty());
  EXPECT_EQ(farm_.TotalRequests(), 0u);

  settings_.queryAttempts = 1;
  RefreshOne(servers_, settings_, view_, 1, std::chrono::milliseconds(150));
  EXPECT_TRUE(servers_.At(1).IsTimedOut());
  EXPECT_EQ(farm_.Stats(1).requests, 1u);
  EXPECT_EQ(farm_.Stats(1).lastRequest.size(), 14u);
  RefreshOne(servers_, settings_, view_, 0);
  EXPECT_EQ(servers_.At(0).name, "Server 0");
  std::vector<std::pair<std::string, int>> calls;
  for (const auto& call : view_.Calls()) calls.emplace_back(call.what, call.index);
  EXPECT_EQ(calls, (std::vector<std::pair<std::string, int>>{
                       {"update", 1}, {"select", 1}, {"update", 0}, {"select", 0}}));
}

TEST(DrainCompleted, UpdatesFromTheLastQueuedIndexToTheFirst) {
  Settings settings;
  FakeView view;
  CompletedQueue::Instance().Clear();
  DrainCompleted(settings, view);
  EXPECT_TRUE(view.Calls().empty());
  for (int index : {4, 1, 7}) CompletedQueue::Instance().Push(index);
  settings.displayOnReload = 0;
  DrainCompleted(settings, view);
  EXPECT_EQ(CompletedQueue::Instance().Count(), 3);
  settings.displayOnReload = 1;
  DrainCompleted(settings, view);
  std::vector<int> order;
  for (const auto& call : view.Calls()) order.push_back(call.index);
  EXPECT_EQ(order, (std::vector<int>{7, 1, 4}));
  EXPECT_EQ(CompletedQueue::Instance().Count(), 0);
}

TEST(RefreshWorker, ReportsAnswerAndQueuesTheIndex) {
  test::TestHome home;
  q3sim::Farm farm;
  ASSERT_TRUE(farm.Start());
  int id = farm.AddServer(q3sim::DefaultServerConfig("Solo"));
  ServerInfo record("127.0.0.1", farm.Port(id));
  CompletedQueue::Instance().Clear();
  EXPECT_EQ(RefreshWorker({&record, 7}, 4), 0);
  EXPECT_EQ(RefreshWorker({nullptr, 3}, 4), 1);  // no record: nothing queried or queued
  EXPECT_EQ(CompletedQueue::Instance().TakeAll(), std::vector<int>{7});
  EXPECT_EQ(record.name, "Solo");
}

}  // namespace
}  // namespace vyk
