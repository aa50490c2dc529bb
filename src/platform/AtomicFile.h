#pragma once
#include <sys/types.h>

#include <string>
#include <string_view>

#if defined(_MSC_VER)
using mode_t = unsigned short;  // MinGW and POSIX have it; MSVC's runtime does not
#endif

namespace vyk {

// Replaces the file's content: writes a temporary file beside it, then
// renames it over the old one, so a crash leaves either the old or the new
// content, never half of it. False when nothing could be written, also when
// this user may not write the file; the old file is then untouched. The file
// keeps its mode; a new one gets the mode an ordinary create gives (the umask
// applies). Through a symbolic link, the file it points to is replaced and the
// link stays.
//
// A temporary file is named "<name>.tmp<pid>.<n>". One a writer left when it
// was killed is removed by the next write of the same file, once no process of
// that number runs any more.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// The same, giving the file exactly `mode`; the temporary file is readable by
// its owner only until it has that mode, before any byte is written.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t mode);

// The file a write of `path` replaces: the one a symbolic link points to, or
// the path itself.
std::string ResolvedForWriting(const std::string& path);

}  // namespace vyk
