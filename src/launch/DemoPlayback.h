#pragma once
#include <string>

#include "core/Outcome.h"
#include "launch/GameFiles.h"

namespace vyk {

class GameStarter;

// Where a demo lies below the game directory, read from its path
// "<mod>/demos/<name>.dm_<protocol>". `error` is the message to show, or
// empty when the path is usable.
struct DemoPath {
  std::string error;
  std::string mod;
  std::string name;       // may hold directories below demos/
  std::string extension;  // ".dm_" as written in the path
  std::string protocol;
};

// Reads a demo path. Letter case is ignored when matching the game
// directory, "/demos/" and ".dm_"; the parts keep the case of the path.
DemoPath ParseDemoPath(const std::string& gameDirectory, const std::string& demoPath);

// " +set fs_game <mod> +demo <name>.dm_<protocol>".
std::string DemoCommandLine(const DemoPath& demo);

// Plays a demo: checks its path, switches to its protocol, records and starts
// QUAKE3.exe of the game directory. Done when the game process started; a
// refused path or switch fails with its message, kept over "Launching Demo :",
// a failed start with nothing to show.
Outcome PlayDemo(const GameFiles& game, const std::string& demoPath, GameStarter& starter);

}  // namespace vyk
