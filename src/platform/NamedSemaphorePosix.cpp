#include "platform/NamedSemaphore.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>

namespace vyk {

struct NamedSemaphore::State {
  std::mutex mutex;
  std::condition_variable available;
  int count = 0;
  int maximum = 1;
};

namespace {

std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<std::string, std::weak_ptr<NamedSemaphore::State>>& Registry() {
  static std::map<std::string, std::weak_ptr<NamedSemaphore::State>> registry;
  return registry;
}

}  // namespace

NamedSemaphore::NamedSemaphore(const std::string& name, int initialCount, int maximumCount)
    : name_(name) {
  std::lock_guard lock(RegistryMutex());
  auto& registry = Registry();
  auto it = registry.find(name);
  if (it != registry.end()) state_ = it->second.lock();
  if (!state_) {
    state_ = std::make_shared<State>();
    state_->maximum = std::max(1, maximumCount);
    state_->count = std::clamp(initialCount, 0, state_->maximum);
    registry[name] = state_;
  }
}

NamedSemaphore::~NamedSemaphore() {
  std::lock_guard lock(RegistryMutex());
  state_.reset();
  auto& registry = Registry();
  auto it = registry.find(name_);
  if (it != registry.end() && it->second.expired()) registry.erase(it);
}

void NamedSemaphore::Wait() {
  std::unique_lock lock(state_->mutex);
  state_->available.wait(lock, [this] { return state_->count > 0; });
  --state_->count;
}

bool NamedSemaphore::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(state_->mutex);
  if (!state_->available.wait_for(lock, timeout, [this] { return state_->count > 0; }))
    return false;
  --state_->count;
  return true;
}

bool NamedSemaphore::Release(int count) {
  if (count <= 0) return false;
  {
    std::lock_guard lock(state_->mutex);
    if (count > state_->maximum - state_->count) return false;
    state_->count += count;
  }
  if (count == 1)
    state_->available.notify_one();
  else
    state_->available.notify_all();
  return true;
}

int NamedSemaphore::Count() const {
  std::lock_guard lock(state_->mutex);
  return state_->count;
}

int NamedSemaphore::Maximum() const {
  std::lock_guard lock(state_->mutex);
  return state_->maximum;
}

}  // namespace vyk
