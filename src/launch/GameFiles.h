#pragma once
// File names of the game installation. The game comes from a platform whose
// file names ignore letter case, so its files are looked up the same way here.
#include <string>

namespace vyk {

// Name of the entry of `directory` whose name equals `name` without regard to
// case; the exact name is preferred. Empty when there is none.
std::string FindNameNoCase(const std::string& directory, const std::string& name);

// The game installation a game path names, split once and passed on to
// whatever switches, lists or starts its files.
struct GameFiles {
  // Implicit: a game path (the gamePath setting) names its installation.
  GameFiles(const std::string& gamePath);  // NOLINT(google-explicit-constructor)

  // The entry of the game directory named `name` without regard to case; empty when none.
  std::string Find(const std::string& name) const { return FindNameNoCase(directory, name); }
  // `directory` + the matching entry's name, or `directory` + `name` when none matches.
  std::string PathOf(const std::string& name) const;

  std::string directory;  // ending with "/", or empty
  std::string file;       // the game's executable as the path names it
};

}  // namespace vyk
