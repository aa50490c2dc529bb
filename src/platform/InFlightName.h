#pragma once
// The temporary files this process is writing now, by full path, so that no
// thread's clean-up takes one of them for a killed writer's leftover.
#include <mutex>
#include <set>
#include <utility>

namespace vyk {

template <typename Text>
class InFlightName {
 public:
  // Holds the name for the object's lifetime: one write.
  explicit InFlightName(Text name) : name_(std::move(name)) {
    std::lock_guard lock(Mutex());
    Names().insert(name_);
  }
  ~InFlightName() {
    std::lock_guard lock(Mutex());
    Names().erase(name_);
  }
  InFlightName(const InFlightName&) = delete;
  InFlightName& operator=(const InFlightName&) = delete;
  const Text& Name() const { return name_; }

  static bool IsBeingWritten(const Text& name) {
    std::lock_guard lock(Mutex());
    return Names().count(name) != 0;
  }

 private:
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  static std::set<Text>& Names() {
    static std::set<Text> names;
    return names;
  }

  Text name_;
};

}  // namespace vyk
