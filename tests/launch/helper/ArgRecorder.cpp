// Stand-in for the game in launch tests: records how it was started into the
// file named by VYK_ARG_RECORD (NUL-separated: working directory, session id,
// standard input, open descriptors above 2, then every argument). On Windows
// the second field is "console" when one is attached, the third "handle" when
// standard input is set, the fourth stays empty, and the arguments are the C
// runtime's split of the raw command line, as a game's own runtime makes it.
#ifdef _WIN32
#include <windows.h>

#include "platform/WindowsText.h"
#else
#include <dirent.h>
#include <unistd.h>
#endif

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

#ifdef _WIN32
std::string WorkingDirectory() {
  wchar_t wide[MAX_PATH * 4] = L"";
  const DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, wide);
  if (length == 0 || length >= MAX_PATH * 4) return {};
  return vyk::Narrow(std::wstring_view(wide, length));
}

std::string Session() {
  return GetConsoleWindow() != nullptr ? "console" : "";
}

std::string StandardInput() {
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  return in != nullptr && in != INVALID_HANDLE_VALUE ? "handle" : "";
}

std::string ExtraDescriptors() {
  return {};
}
#else
std::string WorkingDirectory() {
  char cwd[PATH_MAX] = "";
  return getcwd(cwd, sizeof cwd) ? cwd : "";
}

std::string Session() {
  return std::to_string(getsid(0));
}

std::string StandardInput() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/fd/0", buf, sizeof buf - 1);
  return n < 0 ? std::string() : std::string(buf, static_cast<std::size_t>(n));
}

std::string ExtraDescriptors() {
  std::string list;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return list;
  int own = dirfd(dir);
  while (dirent* e = readdir(dir)) {
    int fd = std::atoi(e->d_name);
    if (e->d_name[0] == '.' || fd <= 2 || fd == own) continue;
    list += std::to_string(fd) + " ";
  }
  closedir(dir);
  return list;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const char* target = std::getenv("VYK_ARG_RECORD");
  if (!target) return 2;
  std::string record;
  auto field = [&record](const std::string& text) {
    record += text;
    record.push_back('\0');
  };
  field(WorkingDirectory());
  field(Session());
  field(StandardInput());
  field(ExtraDescriptors());
  for (int i = 0; i < argc; ++i) field(argv[i]);

  // Written beside and renamed, so a reader never sees half a record.
  std::string temp = std::string(target) + ".part";
  FILE* out = std::fopen(temp.c_str(), "wb");
  if (!out) return 3;
  std::fwrite(record.data(), 1, record.size(), out);
  std::fclose(out);
  return std::rename(temp.c_str(), target) == 0 ? 0 : 4;
}
