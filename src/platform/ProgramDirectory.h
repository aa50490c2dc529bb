#pragma once
#include <string>

namespace vyk {

// Directory that holds every file the program keeps, ending with a separator:
// $VYKFIND_HOME when set; else the executable's directory when portable (below);
// else $XDG_CONFIG_HOME/vykfind/ (default ~/.config/vykfind/), or on Windows
// %APPDATA%\vykfind\, created when missing.
std::string ProgramDirectory();

// Whether a copy of the program in this directory keeps its files there: the
// directory is writable and is not where installed programs live (the install
// prefix's bin; on Windows, Program Files).
bool IsPortableDirectory(const std::string& dir);

// Full path of the running executable (/proc/self/exe).
std::string ExecutablePath();

}  // namespace vyk
