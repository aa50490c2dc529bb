#include "platform/ProgramDirectory.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vyk {
namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string EnvText(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// A portable install keeps its files beside the executable; an installed
// one keeps them in the user's configuration folder.
std::string ExecutableDirectoryWhenWritable() {
  static const std::string dir = [] {
    std::string exe = ExecutablePath();
    auto slash = exe.rfind('/');
    if (slash == std::string::npos) return std::string();
    std::string d = exe.substr(0, slash + 1);
    return IsPortableDirectory(d) ? d : std::string();
  }();
  return dir;
}

std::string UserConfigDirectory() {
  std::string base = EnvText("XDG_CONFIG_HOME");
  if (base.empty() || base.front() != '/') {
    std::string home = EnvText("HOME");
    if (home.empty()) home = "/tmp";
    base = WithSlash(home) + ".config";
  }
  std::string dir = WithSlash(base) + "vykfind/";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir;
}

}  // namespace

// The install prefix's bin directory is never portable, though root could write to it.
bool IsPortableDirectory(const std::string& dir) {
  if (dir.empty()) return false;
#ifdef VYK_INSTALL_BINDIR
  std::error_code ec;
  if (std::filesystem::equivalent(dir, VYK_INSTALL_BINDIR, ec)) return false;
#endif
  return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

std::string ExecutablePath() {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

std::string ProgramDirectory() {
  std::string home = EnvText("VYKFIND_HOME");
  if (!home.empty()) return WithSlash(home);
  std::string exeDir = ExecutableDirectoryWhenWritable();
  if (!exeDir.empty()) return exeDir;
  return UserConfigDirectory();
}

}  // namespace vyk
