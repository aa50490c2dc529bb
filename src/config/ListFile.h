#pragma once
// The plain line lists kept beside Config.ini (servers, buddies, aliases):
// one entry a line, written "%s\n".
#include <string>
#include <vector>

namespace vyk {

// Longest piece of a line read at once; a longer line is read as several
// lines of at most this many characters.
inline constexpr std::size_t kMaxListLine = 1023;

// The file's lines as the list readers take them: CR LF reads as LF, a line
// is cut into pieces of at most kMaxListLine characters, and the line feed is
// removed. Nothing else is changed. False, with no lines, when the file
// cannot be opened.
bool ReadListFileLines(const std::string& path, std::vector<std::string>& lines);

// Writes each text and a line break, through a temporary file and a rename.
// False when the file could not be written (the old one is then untouched).
bool WriteListFileLines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace vyk
