#pragma once
// The buddy list: name fragments (without colour codes) that mark buddies
// among a server's players. NameList's Load and Save read and write the buddy
// file: one fragment a line; loading empties the list first, trims each line
// and skips blank ones.
#include "core/NameList.h"

namespace vyk {

using BuddyList = NameList;

}  // namespace vyk
