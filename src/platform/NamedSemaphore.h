#pragma once
// Named counting semaphores shared by every thread of the process. A handle
// opens the semaphore by name; the first handle creates it with its counts,
// and it disappears when the last handle closes, so the next opener creates
// it afresh with the counts it asks for.
#include <chrono>
#include <memory>
#include <string>

namespace vyk {

class NamedSemaphore {
 public:
  // Counts are clamped: maximum at least 1, initial between 0 and maximum.
  NamedSemaphore(const std::string& name, int initialCount, int maximumCount);
  ~NamedSemaphore();
  NamedSemaphore(const NamedSemaphore&) = delete;
  NamedSemaphore& operator=(const NamedSemaphore&) = delete;

  // Takes one count, waiting as long as needed.
  void Wait();
  // Takes one count unless the timeout passes first.
  bool WaitFor(std::chrono::milliseconds timeout);
  bool TryWait() { return WaitFor(std::chrono::milliseconds(0)); }
  // Gives counts back; false, and nothing given back, when that would pass
  // the maximum.
  bool Release(int count = 1);

  int Count() const;
  int Maximum() const;

  struct State;

 private:
  std::string name_;
  std::shared_ptr<State> state_;
};

}  // namespace vyk
