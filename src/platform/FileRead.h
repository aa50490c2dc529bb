#pragma once
// Reading a whole regular file, with a stamp that changes whenever its
// content may have (used to reuse a parsed copy while the file is unchanged).
#include <cstdint>
#include <string>

namespace vyk {

struct FileStamp {
  std::uint64_t volume = 0;
  std::uint64_t id = 0;  // the inode, or Windows' file index
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // nanoseconds (POSIX) or 100 ns units (Windows)
  std::int64_t changed = 0;
  unsigned mode = 0;  // permission bits; 0 where files have none
  bool operator==(const FileStamp&) const = default;
};

enum class FileReadResult { kRead, kMissing, kFailed };

// The stamp of a regular file; kFailed for anything else or an error.
FileReadResult StampFile(const std::string& path, FileStamp* stamp);
// Its whole content and the stamp of what was read.
FileReadResult ReadWholeFile(const std::string& path, std::string* bytes, FileStamp* stamp);

}  // namespace vyk
