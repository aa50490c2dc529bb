// NameList's file operations, used for the buddy list only.
#include "config/BuddyList.h"

#include <vector>

#include "config/ListFile.h"
#include "core/Text.h"

namespace vyk {

bool NameList::Load(const std::string& path) {
  Clear();
  std::vector<std::string> lines;
  if (!ReadListFileLines(path, lines)) return false;
  for (const std::string& line : lines) {
    PlayerInfo entry;
    entry.name = Trim(line);
    Add(entry);  // skips empty names
  }
  return true;
}

bool NameList::Save(const std::string& path) const {
  std::vector<std::string> names;
  names.reserve(entries_.size());
  for (const PlayerInfo& entry : entries_) names.push_back(entry.name);
  return WriteListFileLines(path, names);
}

}  // namespace vyk
