#pragma once
// Per-server values kept in "cache.srv" in the program directory. Nothing is
// held in memory: every call reads or writes the file.
#include <cstdint>
#include <string>

#include "platform/ProfileFile.h"

namespace vyk {

std::string ServerCachePath();
std::string ReadCacheValue(const std::string& section, const std::string& key,
                           const std::string& def);
void WriteCacheValue(const std::string& section, const std::string& key, const std::string& text);
std::string GetCachedName(const std::string& section);
void SetCachedName(const std::string& section, const std::string& name);
std::int32_t GetConnectCount(const std::string& section);
void IncrementConnectCount(const std::string& section);
bool IsFavorite(const std::string& section);

// The names of many servers from one look at the cache, for adding a whole
// master list: as GetCachedName, but the file is read once, when made.
class CachedNames {
 public:
  CachedNames();
  std::string Get(const std::string& section) const;

 private:
  ProfileFile::Snapshot cache_;
};
void SetFavorite(const std::string& section, bool flag);

}  // namespace vyk
