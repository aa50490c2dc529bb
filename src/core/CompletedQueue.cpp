#include "core/CompletedQueue.h"

#include <utility>

namespace vyk {

CompletedQueue& CompletedQueue::Instance() {
  static CompletedQueue queue;
  return queue;
}

void CompletedQueue::Clear() {
  std::lock_guard lock(mutex_);
  indices_.clear();
}

void CompletedQueue::Push(int index) {
  std::lock_guard lock(mutex_);
  indices_.push_back(index);
}

std::vector<int> CompletedQueue::TakeAll() {
  std::vector<int> taken;
  std::lock_guard lock(mutex_);
  taken.swap(indices_);
  return taken;
}

int CompletedQueue::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(indices_.size());
}

}  // namespace vyk
