#pragma once
#include <string>

#include "core/Outcome.h"
#include "launch/GameFiles.h"

namespace vyk {

// Name of the executable that is started; a switch copies a versioned one over it.
inline constexpr const char* kActiveExecutable = "QUAKE3.exe";
inline constexpr const char* kVersionedPrefix = "quake3.";

// One to five decimal digits: the only protocol texts turned into a file name.
bool IsProtocolText(const std::string& protocol);

// Makes "quake3.<protocol>" of the game directory the active executable by
// copying it over QUAKE3.exe (permissions kept). Done when the active
// executable is now a complete copy; else the failure's message ("Unable to
// find :\n" and the like), kept over "switching to protocol : <protocol>".
Outcome SwitchToProtocol(const GameFiles& game, const std::string& protocol);

// The same with a file of the game directory named by the user's choice from
// its listing; `protocol` is only shown in the status line.
Outcome SwitchToVersionFile(const GameFiles& game, const std::string& protocol,
                            const std::string& fileName);

}  // namespace vyk
