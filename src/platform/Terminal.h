#pragma once
#include <optional>
#include <string>

namespace vyk {

// A Windows window program starts with no console. Started from a command
// prompt, its standard output and error (those not sent to a file or pipe)
// go to that prompt's console, so the headless switches print there. POSIX
// has nothing to do.
void UseParentConsole();

// Whether standard error is a terminal (progress is shown only there).
bool StandardErrorIsTerminal();

// Asks on the controlling terminal with echo off and reads one line (without
// its line feed). Nothing when there is no terminal or reading fails.
std::optional<std::string> ReadHiddenLine(const std::string& prompt);

}  // namespace vyk
