#pragma once
// Per-server values kept in "cache.srv" in the program directory. Nothing is
// held in memory: every call reads or writes the file.
#include <cstdint>
#include <string>

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
void SetFavorite(const std::string& section, bool flag);

}  // namespace vyk
