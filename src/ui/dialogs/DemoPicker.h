#pragma once
#include <string>

#include "core/Outcome.h"

class QWidget;

namespace vyk {

class DialogPrompts;
class GameStarter;
struct Settings;

inline constexpr const char* kDemoFilter = "quake 3 demo |*.DM_??|";

// The Demo button: an open-file dialog in the game directory showing the demos (any
// letter case); the chosen file is played. False when the user cancelled or the demo
// could not be started (its message has been shown, owned by `owner`).
bool PickAndPlayDemo(QWidget* owner, const Settings& settings, GameStarter& starter,
                     DialogPrompts* prompts = nullptr);

// Whether a command-line file name asks for demo playback: ".dm_" in any letter case.
bool IsDemoArgument(const std::string& argument);

// Start-up with a file argument, once the settings are loaded: a demo is played with the
// gamePath setting (PlayDemo's outcome), after which start-up ends without a window. Any
// other argument fails with nothing to show, doing nothing.
Outcome PlayDemoArgument(const Settings& settings, const std::string& argument,
                         GameStarter& starter);

}  // namespace vyk
