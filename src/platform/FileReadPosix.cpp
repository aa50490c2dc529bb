#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileRead.h"

namespace vyk {
namespace {

std::int64_t Nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileReadResult FromStat(const struct stat& st, FileStamp* stamp) {
  if (!S_ISREG(st.st_mode)) return FileReadResult::kFailed;
  *stamp = FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                     static_cast<std::uint64_t>(st.st_size), Nanoseconds(st.st_mtim),
                     Nanoseconds(st.st_ctim), static_cast<unsigned>(st.st_mode & 07777)};
  return FileReadResult::kRead;
}

FileReadResult Failure() {
  return errno == ENOENT ? FileReadResult::kMissing : FileReadResult::kFailed;
}

}  // namespace

FileReadResult StampFile(const std::string& path, FileStamp* stamp) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return Failure();
  return FromStat(st, stamp);
}

FileReadResult ReadWholeFile(const std::string& path, std::string* bytes, FileStamp* stamp) {
  // Non-blocking: a FIFO put in the file's place must not hang the program.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Failure();
  struct stat st;
  FileReadResult result = ::fstat(fd, &st) == 0 ? FromStat(st, stamp) : FileReadResult::kFailed;
  char buffer[65536];
  while (result == FileReadResult::kRead) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) result = FileReadResult::kFailed;
    if (n <= 0) break;
    bytes->append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return result;
}

}  // namespace vyk
