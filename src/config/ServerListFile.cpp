#include "config/ServerListFile.h"

#include <vector>

#include "config/ConfigFile.h"
#include "config/ListFile.h"
#include "core/ServerCache.h"
#include "core/Text.h"

namespace vyk {

bool LoadServerListFile(ServerList& list, bool clearFirst, const std::string& path) {
  if (clearFirst) list.Clear();
  std::vector<std::string> lines;
  if (!ReadListFileLines(path, lines)) return false;
  for (const std::string& line : lines) {
    // A blank line would become a server with no host at all.
    if (Trim(line).empty()) continue;
    ServerInfo record;
    record.SetAddress(line);
    record.name = GetCachedName(record.Address());
    list.AddUnique(record);
  }
  return true;
}

bool LoadServerListFile(ServerList& list, bool clearFirst, const Settings& settings) {
  return LoadServerListFile(list, clearFirst, settings.serverListPath);
}

Outcome SaveServerListFile(const ServerList& list, const std::string& path) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.At(i).Address());
  if (!WriteListFileLines(path, lines)) return Outcome::Failure("Unable to Write :\n" + path);
  return {};
}

Outcome SaveServerList(const ServerList& list, const Settings& settings) {
  return SaveServerListFile(list, settings.serverListPath);
}

}  // namespace vyk
