// Weak stand-ins for the buddy-file operations, so that every program using
// NameList links before the list-file code is part of the build. The list-file
// code's own definitions replace these at link time.
#include "core/NameList.h"

namespace vyk {

__attribute__((weak)) bool NameList::Load(const std::string&) {
  return false;
}
__attribute__((weak)) bool NameList::Save(const std::string&) const {
  return false;
}

}  // namespace vyk
