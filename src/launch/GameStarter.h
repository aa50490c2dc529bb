#pragma once
#include <string>

namespace vyk {

// Starts the game executable; the launch logic's only way to run a program.
// Tests replace it with a recorder.
class GameStarter {
 public:
  virtual ~GameStarter() = default;
  // Runs `file` (found from `directory` when relative) with the parameter
  // text in `directory`. Callers ignore the result, as a failed start of the
  // game is not reported.
  virtual bool StartGame(const std::string& file, const std::string& parameters,
                         const std::string& directory) = 0;
};

// The real one: a detached process (platform/ProcessStart.h).
GameStarter& SystemGameStarter();

}  // namespace vyk
