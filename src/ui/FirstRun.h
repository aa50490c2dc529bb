#pragma once
#include <functional>

#include "config/ConfigFile.h"

namespace vyk {

class OptionsDialog;

// Shows the dialog and returns how it ended (kOk for OK); exec() unless a test runs it.
using OptionsRunner = std::function<int(OptionsDialog&)>;

// First start-up step: without Config.ini the Options dialog comes first, without owner.
// Returns false when it ended with anything but OK: the program must then end at once
// with exit code 0, and nothing has been written. True otherwise (no first run, or OK,
// which created Config.ini and loaded the settings).
bool RunFirstRunIfNeeded(Settings& settings);
bool RunFirstRunIfNeeded(Settings& settings, const OptionsRunner& run);

}  // namespace vyk
