#pragma once
// What the "Switch Protocol" dialog lists and does, without the window.
#include <string>
#include <vector>

#include "core/Outcome.h"
#include "launch/GameFiles.h"

namespace vyk {

// Names of the regular files of the game directory that start with "quake3."
// (any case) and reduce to a protocol number above 0 or to "exe", sorted
// without regard to case as the combo box sorts them. The last one is the
// entry selected at opening.
std::vector<std::string> ListProtocolEntries(const GameFiles& game);

// The protocol text of an entry: lower-cased, every "quake3." removed.
std::string ProtocolOfEntry(const std::string& entry);

// OK of the dialog with the chosen entry (or the combo text): copies the file
// the entry names over the active executable. The active executable itself is
// no version to switch to, so choosing it does nothing. The switch's outcome.
Outcome ApplyProtocolChoice(const GameFiles& game, const std::string& entry);

}  // namespace vyk
