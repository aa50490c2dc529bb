#include "ui/dialogs/DemoPicker.h"

#include <filesystem>
#include <system_error>

#include "config/ConfigFile.h"
#include "core/Text.h"
#include "launch/DemoPlayback.h"
#include "launch/GameFiles.h"
#include "ui/dialogs/DialogPrompts.h"

namespace vyk {

bool PickAndPlayDemo(QWidget* owner, const Settings& settings, GameStarter& starter,
                     DialogPrompts* prompts) {
  DialogPrompts& ask = prompts ? *prompts : CurrentPrompts();
  // The picker opens in the game directory instead of moving the process there.
  const GameFiles game(settings.gamePath);
  const std::string demo = ask.OpenFileName(owner, game.directory, kDemoFilter, "");
  if (demo.empty()) return false;
  return ask.Report(owner, PlayDemo(game, demo, starter));
}

bool IsDemoArgument(const std::string& argument) {
  return Lower(argument).find(".dm_") != std::string::npos;
}

Outcome PlayDemoArgument(const Settings& settings, const std::string& argument,
                         GameStarter& starter) {
  if (!IsDemoArgument(argument)) return Outcome::Failure();
  // File names keep their letter case here (the path is matched without regard to it);
  // a name relative to where the program was started is made whole first.
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(argument, ec);
  return PlayDemo(settings.gamePath, ec ? argument : path.lexically_normal().string(), starter);
}

}  // namespace vyk
