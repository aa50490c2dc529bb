#include "FuzzSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vyk::fuzz {
namespace {

// Never destroyed: the exit handler that removes the directory still reads it.
const std::string* g_home = nullptr;

void RemoveHome() {
  std::error_code ec;
  if (g_home) std::filesystem::remove_all(*g_home, ec);
}

const std::string* MakeHome() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = (tmp && *tmp ? std::string(tmp) : std::string("/tmp")) + "/vyk-fuzz.XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::perror("vyk fuzz: mkdtemp");
    std::abort();
  }
  g_home = new std::string(pattern + "/");
  ::setenv("VYKFIND_HOME", g_home->c_str(), 1);
  std::atexit(RemoveHome);
  return g_home;
}

}  // namespace

const std::string& FuzzHome() {
  static const std::string* home = MakeHome();
  return *home;
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::perror(path.c_str());
    std::abort();
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::perror(path.c_str());
      std::abort();
    }
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

std::string ReadWholeFile(const std::string& path) {
  std::string out;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return out;
  char buffer[8192];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) out.append(buffer, n);
  std::fclose(file);
  return out;
}

void Fail(const char* file, int line, const char* condition) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::fflush(stderr);
  __builtin_trap();
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t length;
    std::uint32_t code;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      code = c & 0x07;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      code = (code << 6) | (t & 0x3F);
    }
    if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) || code > 0x10FFFF ||
        (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

}  // namespace vyk::fuzz
