#include "launch/ServerPassword.h"

#include "core/ServerCache.h"

namespace vyk {

std::string RememberedPassword(const std::string& address) {
  return ReadCacheValue(address, "pass", "");
}

void RememberPassword(const std::string& address, const std::string& password) {
  WriteCacheValue(address, "pass", password);
}

}  // namespace vyk
