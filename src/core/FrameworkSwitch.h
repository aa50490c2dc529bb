#pragma once
#include <string_view>

namespace vyk {

// Whether a command-line argument is the framework's embedding or automation switch:
// "Embedding" or "Automation" in any letter case, after "-", "--" or "/". Started with
// one, the program opens no window and has nothing to do. Any other "/..." is a path.
bool IsFrameworkSwitch(std::string_view argument);

}  // namespace vyk
