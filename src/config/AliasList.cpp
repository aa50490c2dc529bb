#include "config/AliasList.h"

#include "config/ConfigFile.h"

namespace vyk {
namespace {

constexpr const char* kSection = "info";
constexpr const char* kLastAlias = "LastAlias";

}  // namespace

bool AliasList::Load(const std::string& path) {
  const std::string chosenSoFar = ChosenAlias().name;
  const bool opened = NameList::Load(path);  // same file form as the buddy list
  // The old index means nothing in the new entries; keep the same alias if
  // it is still there.
  chosen_ = FindAlias(chosenSoFar);
  const int last = FindAlias(ReadProfileString(kSection, kLastAlias, chosenSoFar));
  if (last >= 0) ChooseAlias(last);
  return opened;
}

bool AliasList::Save(const std::string& path) const {
  const bool written = NameList::Save(path);
  WriteProfileString(kSection, kLastAlias, ChosenAlias().name);
  return written;
}

int AliasList::FindAlias(const std::string& text) const {
  for (int i = 0; i < Count(); ++i) {
    if ((*this)[i].name == text) return i;
  }
  return -1;
}

int AliasList::AddAlias(const std::string& text) {
  const int found = FindAlias(text);
  if (found >= 0) return found;
  PlayerInfo entry;
  entry.name = text;
  return Add(entry);
}

void AliasList::RemoveAlias(const std::string& text) {
  const int at = FindAlias(text);
  if (at < 0) return;
  entries_.erase(entries_.begin() + at);
  if (chosen_ == at)
    chosen_ = -1;
  else if (chosen_ > at)
    --chosen_;
}

void AliasList::ChooseAlias(int index) {
  chosen_ = (index >= 0 && index < Count()) ? index : -1;
  WriteProfileString(kSection, kLastAlias, ChosenAlias().name);
}

const PlayerInfo& AliasList::ChosenAlias() const {
  return (*this)[chosen_];
}

}  // namespace vyk
