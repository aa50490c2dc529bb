#pragma once
#include <string>

namespace vyk {

// Directory that holds every file the program keeps, ending with "/":
// $VYKFIND_HOME when set; else the executable's directory when writable;
// else $XDG_CONFIG_HOME/vykfind/ (default ~/.config/vykfind/), created when missing.
std::string ProgramDirectory();

// Full path of the running executable (/proc/self/exe).
std::string ExecutablePath();

}  // namespace vyk
