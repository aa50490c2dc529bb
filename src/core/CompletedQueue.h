#pragma once
#include <mutex>
#include <vector>

namespace vyk {

// Server indices whose query has finished and whose row has not been updated
// yet. Workers append; the user-interface thread takes them out.
class CompletedQueue {
 public:
  // The one queue of the process.
  static CompletedQueue& Instance();

  void Clear();
  void Push(int index);
  // Takes every queued index out, in queue order.
  std::vector<int> TakeAll();
  int Count() const;

 private:
  mutable std::mutex mutex_;
  std::vector<int> indices_;
};

}  // namespace vyk
