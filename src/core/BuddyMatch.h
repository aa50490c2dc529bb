#pragma once
#include "core/NameList.h"

namespace vyk {

// Marks the players whose colour-stripped name contains a buddy fragment
// (letters compared without regard to case) and returns how many matched.
// A player counts once however many fragments it matches.
int CountBuddies(NameList& players, const NameList& buddies);

}  // namespace vyk
