#pragma once
#include <optional>
#include <string>

namespace vyk {

// Whether standard error is a terminal (progress is shown only there).
bool StandardErrorIsTerminal();

// Asks on the controlling terminal with echo off and reads one line (without
// its line feed). Nothing when there is no terminal or reading fails.
std::optional<std::string> ReadHiddenLine(const std::string& prompt);

}  // namespace vyk
