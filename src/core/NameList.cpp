#include "core/NameList.h"

namespace vyk {

int NameList::Add(const PlayerInfo& entry) {
  if (entry.name.empty()) return -1;
  entries_.push_back(entry);
  return Count() - 1;
}

const PlayerInfo& NameList::operator[](int index) const {
  if (index < 0 || index >= Count()) return default_;
  return entries_[static_cast<std::size_t>(index)];
}

PlayerInfo& NameList::operator[](int index) {
  if (index < 0 || index >= Count()) {
    default_ = PlayerInfo{};  // a caller may have written into it before
    return default_;
  }
  return entries_[static_cast<std::size_t>(index)];
}

}  // namespace vyk
