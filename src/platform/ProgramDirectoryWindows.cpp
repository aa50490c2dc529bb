// Windows half: the program keeps its files beside its executable, as it
// always has there; VYKFIND_HOME still names another folder.
#include "platform/ProgramDirectory.h"

#include <windows.h>

#include <vector>

#include "platform/WindowsText.h"

namespace vyk {
namespace {

std::string WithSeparator(std::string dir) {
  if (dir.empty() || (dir.back() != '\\' && dir.back() != '/')) dir += '\\';
  return dir;
}

std::string EnvText(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD n = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(n < size ? n : 0);
  return Narrow(value);
}

}  // namespace

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return Narrow(std::wstring_view(buffer.data(), n));
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string ProgramDirectory() {
  std::string home = EnvText(L"VYKFIND_HOME");
  if (!home.empty()) return WithSeparator(home);
  const std::string exe = ExecutablePath();
  const auto slash = exe.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".\\") : exe.substr(0, slash + 1);
}

}  // namespace vyk
