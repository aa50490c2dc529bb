#include "LeakyBucket.h"

namespace q3sim {

bool LeakyBucket::Limit(std::int64_t nowMs, int burst, int periodMs) {
  std::int64_t interval = nowMs - lastTime_;
  std::int64_t expired = interval / periodMs;
  std::int64_t remainder = interval % periodMs;
  if (expired > burst_ || interval < 0) {
    burst_ = 0;
    lastTime_ = nowMs;
  } else {
    burst_ -= static_cast<int>(expired);
    lastTime_ = nowMs - remainder;
  }
  if (burst_ < burst) {
    ++burst_;
    return false;
  }
  return true;
}

}  // namespace q3sim
