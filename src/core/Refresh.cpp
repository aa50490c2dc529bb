#include "core/Refresh.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "core/CompletedQueue.h"
#include "core/Settings.h"
#include "core/StatusLine.h"
#include "platform/NamedSemaphore.h"

namespace vyk {
namespace {

// Longest stretch the blocked user-interface thread goes without painting.
constexpr auto kPaintInterval = std::chrono::milliseconds(50);

// Keeps the time of the last KeepPainted, so that waits that each end early (a worker
// freed, a count given back) still let the window paint every kPaintInterval.
class PaintPacer {
 public:
  using Clock = std::chrono::steady_clock;
  explicit PaintPacer(RefreshView& view) : view_(view), last_(Clock::now()) {}

  Clock::time_point Due() const { return last_ + kPaintInterval; }
  void Paint() {
    view_.KeepPainted();
    last_ = Clock::now();
  }
  // Paints when it is due.
  void Tick() {
    if (Clock::now() >= Due()) Paint();
  }

 private:
  RefreshView& view_;
  Clock::time_point last_;
};

// Runs worker bodies on at most `limit` threads, fed one job at a time in the
// order Start is called. One thread per server would hit per-user thread
// limits with thousands of servers; here a thread that cannot be started only
// means fewer threads, and with none at all the job runs on the caller.
class WorkerPool {
 public:
  WorkerPool(int limit, int maxThread, PaintPacer& pacer)
      : limit_(limit), maxThread_(maxThread), pacer_(pacer) {}
  ~WorkerPool() { Stop(); }
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Returns once the job is handed to a thread; waits for one to be free.
  void Start(const RefreshJob& job) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!pending_ && idle_ > 0) {
        pending_ = job;
        jobReady_.notify_one();
        return;
      }
      if (!pending_ && static_cast<int>(threads_.size()) < limit_) {
        try {
          threads_.emplace_back([this] { Loop(); });
          pending_ = job;
          jobReady_.notify_one();
          return;
        } catch (const std::system_error&) {
          limit_ = static_cast<int>(threads_.size());
          if (limit_ == 0) {
            lock.unlock();
            RefreshWorker(job, maxThread_);
            return;
          }
          continue;
        }
      }
      if (workerFree_.wait_until(lock, pacer_.Due()) == std::cv_status::timeout) {
        lock.unlock();
        pacer_.Paint();
        lock.lock();
      }
    }
  }

  // Lets every thread finish its job and joins them.
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    jobReady_.notify_all();
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
  }

 private:
  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      ++idle_;
      workerFree_.notify_one();
      jobReady_.wait(lock, [this] { return pending_.has_value() || stopping_; });
      --idle_;
      if (!pending_) return;
      RefreshJob job = *pending_;
      pending_.reset();
      workerFree_.notify_one();
      lock.unlock();
      RefreshWorker(job, maxThread_);
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable jobReady_;
  std::condition_variable workerFree_;
  std::optional<RefreshJob> pending_;
  int idle_ = 0;
  bool stopping_ = false;
  int limit_;
  const int maxThread_;
  PaintPacer& pacer_;
  std::vector<std::thread> threads_;
};

}  // namespace

int EffectiveMaxThread(const Settings& settings) {
  return std::clamp(settings.maxThread, 1, kMaxRefreshThreads);
}

int EffectiveQueryAttempts(const Settings& settings) {
  return std::clamp(settings.queryAttempts, 1, kMaxQueryAttempts);
}

int RefreshWorker(const RefreshJob& job, int maxThread) {
  NamedSemaphore semaphore(kRefreshSemaphoreName, maxThread, maxThread);
  semaphore.Wait();
  bool answered = false;
  if (job.record) {
    // A failure inside one query stays in this worker; its index is not queued.
    try {
      answered = job.record->Query(job.firstWait, job.attempts);
      if (job.index != -1) CompletedQueue::Instance().Push(job.index);
    } catch (...) {
      answered = false;
    }
  }
  semaphore.Release();
  return answered ? 0 : 1;
}

void DrainCompleted(const Settings& settings, RefreshView& view) {
  if (!settings.displayOnReload) return;
  std::vector<int> finished = CompletedQueue::Instance().TakeAll();
  if (finished.empty()) return;
  for (auto it = finished.rbegin(); it != finished.rend(); ++it) view.UpdateRow(*it);
  view.KeepPainted();
}

void RefreshAll(ServerList& servers, const Settings& settings, RefreshView& view, bool showAll,
                std::chrono::milliseconds firstWait) {
  const int maxThread = EffectiveMaxThread(settings);
  view.SetCursor(RefreshCursor::kAppStarting);

  const int n = servers.Count();
  CompletedQueue::Instance().Clear();
  std::vector<RefreshJob> jobs;
  jobs.reserve(static_cast<std::size_t>(n));
  const int attempts = EffectiveQueryAttempts(settings);
  for (int i = 0; i < n; ++i) jobs.push_back({&servers.At(i), i, firstWait, attempts});

  {
    // Held for the whole refresh, so every worker opens the semaphore with
    // this refresh's count.
    NamedSemaphore semaphore(kRefreshSemaphoreName, maxThread, maxThread);
    PaintPacer pacer(view);
    WorkerPool pool(std::min(maxThread, n), maxThread, pacer);
    const int cadence = maxThread / 2;
    for (int i = 0; i < n; ++i) {
      ScopedStatus status("Requesting " + jobs[i].record->Address());
      pool.Start(jobs[i]);
      if (maxThread == 1 || i % cadence == 0) DrainCompleted(settings, view);
      pacer.Tick();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    DrainCompleted(settings, view);

    view.SetCursor(RefreshCursor::kWait);
    ScopedStatus waiting("Waiting servers responce ");
    view.KeepPainted();
    // Taking every count is the join: no exchange runs once all are ours.
    // The maximum is asked of the semaphore itself in case another handle
    // created it with a different count.
    const int counts = semaphore.Maximum();
    for (int k = 0; k < counts; ++k) {
      for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(pacer.Due() - PaintPacer::Clock::now());
        if (semaphore.WaitFor(std::max(left, std::chrono::milliseconds(1)))) break;
        pacer.Paint();
      }
      pacer.Tick();
    }
    semaphore.Release(counts);
    // A job handed over but not yet counted may still be about to run; the
    // threads' own join covers it.
    pool.Stop();
    jobs.clear();
    DrainCompleted(settings, view);
  }

  view.SetDrawingFrozen(true);
  view.RebuildRows(showAll);
  view.SetDrawingFrozen(false);
  view.SetCursor(RefreshCursor::kArrow);
}

void RefreshOne(ServerList& servers, const Settings& settings, RefreshView& view, int index,
                std::chrono::milliseconds firstWait) {
  if (index < 0 || index >= servers.Count()) return;
  RefreshWorker({&servers.At(index), index, firstWait, EffectiveQueryAttempts(settings)},
                EffectiveMaxThread(settings));
  view.UpdateRow(index);
  view.SelectRow(index);
}

}  // namespace vyk
