// ioquake3's request rate limit: a burst, then one request per period.
#pragma once

#include <cstdint>

namespace q3sim {

class LeakyBucket {
 public:
  // True when a request at nowMs must be dropped; otherwise the request is counted.
  bool Limit(std::int64_t nowMs, int burst, int periodMs);

 private:
  std::int64_t lastTime_ = 0;
  int burst_ = 0;
};

}  // namespace q3sim
