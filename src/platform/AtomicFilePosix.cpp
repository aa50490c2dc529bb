#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <memory>
#include <optional>
#include <string>

#include "platform/InFlightName.h"

namespace vyk {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::atomic<unsigned> g_counter{0};

using TemporaryName = InFlightName<std::string>;

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// The writer's process number of "<name>.tmp<pid>.<n>", or nothing for any
// other entry.
std::optional<pid_t> WriterOf(std::string_view entry, std::string_view prefix) {
  if (entry.substr(0, prefix.size()) != prefix) return std::nullopt;
  std::string_view rest = entry.substr(prefix.size());
  auto dot = rest.find('.');
  if (dot == std::string_view::npos || !AllDigits(rest.substr(0, dot)) ||
      !AllDigits(rest.substr(dot + 1)))
    return std::nullopt;
  pid_t pid = 0;
  auto [end, error] = std::from_chars(rest.data(), rest.data() + dot, pid);
  if (error != std::errc() || pid <= 0) return std::nullopt;
  return pid;
}

// A temporary file nobody will ever rename: its writer is gone, or it is this
// process, which is not writing it.
bool IsLeftover(pid_t writer, const std::string& fullPath) {
  if (writer == ::getpid()) {
    return !TemporaryName::IsBeingWritten(fullPath);
  }
  // A process of another user answers EPERM: it runs.
  return ::kill(writer, 0) != 0 && errno == ESRCH;
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// Removes the temporary files of `path` that killed writers left. Writers in
// another process-number space look dead from here; losing their file only
// makes their write fail, leaving the old content.
void RemoveLeftovers(const std::string& path) {
  const auto slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp";
  std::unique_ptr<DIR, DirCloser> listing(::opendir(dir.c_str()));
  if (!listing) return;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::optional<pid_t> writer = WriterOf(entry->d_name, prefix);
    if (!writer) continue;
    const std::string fullPath = (slash == std::string::npos ? "" : dir) + entry->d_name;
    if (IsLeftover(*writer, fullPath)) ::unlinkat(::dirfd(listing.get()), entry->d_name, 0);
  }
}

bool Replace(const std::string& link, std::string_view bytes, std::optional<mode_t> mode) {
  if (link.empty()) return false;
  const std::string path = ResolvedForWriting(link);
  // The rename needs only the directory: a file this user may not write
  // (made read-only) is kept, as an open for writing would refuse it.
  if (::access(path.c_str(), W_OK) != 0 && errno != ENOENT) return false;
  RemoveLeftovers(path);
  // A name of our own with O_EXCL: two writers never share it.
  const TemporaryName temp(path + ".tmp" + std::to_string(::getpid()) + "." +
                          std::to_string(g_counter.fetch_add(1)));
  int fd = ::open(temp.Name().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode ? 0600 : 0666);
  if (fd < 0) return false;
  bool ok = true;
  struct stat old {};
  if (mode)
    ok = ::fchmod(fd, *mode) == 0;
  else if (::stat(path.c_str(), &old) == 0)
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  // The directory is not synced: a power cut may undo the rename, which still
  // leaves the old content whole.
  if (ok && ::rename(temp.Name().c_str(), path.c_str()) == 0) return true;
  ::unlink(temp.Name().c_str());
  return false;
}

}  // namespace

std::string ResolvedForWriting(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) return resolved;
  }
  return path;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  return Replace(path, bytes, std::nullopt);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t mode) {
  return Replace(path, bytes, mode);
}

}  // namespace vyk
