// Windows half: the system's own named semaphores. The name is the system's,
// so every program of the session that opens it shares the count, as the
// program always has.
#include "platform/NamedSemaphore.h"

#include <windows.h>

#include <algorithm>

#include "platform/WindowsText.h"

namespace vyk {

struct NamedSemaphore::State {
  HANDLE handle = nullptr;
  int maximum = 1;  // of this handle's request, until the system tells better
  ~State() {
    if (handle != nullptr) CloseHandle(handle);
  }
};

namespace {

struct SemaphoreBasicInformation {
  LONG currentCount;
  LONG maximumCount;
};

// The system keeps the counts of a semaphore opened by name; only ntdll says
// what they are.
bool QueryCounts(HANDLE handle, SemaphoreBasicInformation* info) {
  using Query = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
  static const Query query = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<Query>(
                       reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySemaphore")))
                 : nullptr;
  }();
  return query != nullptr && query(handle, 0, info, sizeof *info, nullptr) >= 0;
}

}  // namespace

NamedSemaphore::NamedSemaphore(const std::string& name, int initialCount, int maximumCount)
    : name_(name), state_(std::make_shared<State>()) {
  state_->maximum = std::max(1, maximumCount);
  const int initial = std::clamp(initialCount, 0, state_->maximum);
  // An existing semaphore of that name is opened as it is; counts asked for
  // here apply only to a new one.
  state_->handle = CreateSemaphoreW(nullptr, initial, state_->maximum, Widen(name).c_str());
  if (state_->handle == nullptr) {
    // Another kind of object has the name: a semaphore of our own keeps the
    // program working, just not shared.
    state_->handle = CreateSemaphoreW(nullptr, initial, state_->maximum, nullptr);
  }
}

NamedSemaphore::~NamedSemaphore() = default;

void NamedSemaphore::Wait() {
  WaitForSingleObject(state_->handle, INFINITE);
}

bool NamedSemaphore::WaitFor(std::chrono::milliseconds timeout) {
  const auto ms = std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INFINITE - 1);
  return WaitForSingleObject(state_->handle, static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

bool NamedSemaphore::Release(int count) {
  if (count <= 0) return false;
  // Fails, giving nothing back, when the count would pass the maximum.
  return ReleaseSemaphore(state_->handle, count, nullptr) != FALSE;
}

int NamedSemaphore::Count() const {
  SemaphoreBasicInformation info{};
  return QueryCounts(state_->handle, &info) ? static_cast<int>(info.currentCount) : 0;
}

int NamedSemaphore::Maximum() const {
  SemaphoreBasicInformation info{};
  return QueryCounts(state_->handle, &info) ? static_cast<int>(info.maximumCount) : state_->maximum;
}

}  // namespace vyk
