#include "core/ServerCache.h"

#include <limits>

#include "core/Text.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramDirectory.h"

namespace vyk {

std::string ServerCachePath() {
  return ProgramDirectory() + "cache.srv";
}

std::string ReadCacheValue(const std::string& section, const std::string& key,
                           const std::string& def) {
  return ProfileFile::ReadString(ServerCachePath(), section, key, def);
}

void WriteCacheValue(const std::string& section, const std::string& key, const std::string& text) {
  ProfileFile::Write(ServerCachePath(), section, key, text);
}

std::string GetCachedName(const std::string& section) {
  return ReadCacheValue(section, "name", "-");
}

CachedNames::CachedNames() : cache_(ServerCachePath()) {}

std::string CachedNames::Get(const std::string& section) const {
  return cache_.ReadString(section, "name", "-");
}

void SetCachedName(const std::string& section, const std::string& name) {
  WriteCacheValue(section, "name", name);
}

std::int32_t GetConnectCount(const std::string& section) {
  return ParseLeadingInt(ReadCacheValue(section, "connectCount", "0"));
}

void IncrementConnectCount(const std::string& section) {
  std::int32_t count = GetConnectCount(section);
  if (count < std::numeric_limits<std::int32_t>::max()) ++count;
  WriteCacheValue(section, "connectCount", std::to_string(count));
}

bool IsFavorite(const std::string& section) {
  return ReadCacheValue(section, "favorite", "0") == "1";
}

void SetFavorite(const std::string& section, bool flag) {
  WriteCacheValue(section, "favorite", flag ? "1" : "0");
}

}  // namespace vyk
