#pragma once
// File names of the game installation. The game comes from a platform whose
// file names ignore letter case, so its files are looked up the same way here.
#include <string>
#include <utility>

namespace vyk {

// Directory part (ending with "/", or empty) and file part of a full path.
std::pair<std::string, std::string> SplitGamePath(const std::string& fullPath);

// Name of the entry of `directory` whose name equals `name` without regard to
// case; the exact name is preferred. Empty when there is none.
std::string FindNameNoCase(const std::string& directory, const std::string& name);

// `directory` + the matching entry's name, or `directory` + `name` when none matches.
std::string GameFilePath(const std::string& directory, const std::string& name);

}  // namespace vyk
