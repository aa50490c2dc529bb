// Windows half: a portable copy keeps its files beside its executable, as the
// program always has there; an installed copy (under Program Files, which an
// administrator's session or Wine could write to, or any folder the user
// cannot write) keeps them in %APPDATA%\vykfind\. VYKFIND_HOME names another folder.
#include "platform/ProgramDirectory.h"

#include <windows.h>
#include <shlobj.h>

#include <string_view>
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

std::wstring KnownFolder(REFKNOWNFOLDERID id, DWORD flags) {
  PWSTR path = nullptr;
  std::wstring result;
  if (SHGetKnownFolderPath(id, flags, nullptr, &path) == S_OK) result = path;
  CoTaskMemFree(path);
  return result;
}

bool IsInside(std::wstring_view dir, std::wstring_view folder) {
  if (folder.empty() || dir.size() <= folder.size()) return false;
  const wchar_t next = dir[folder.size()];
  return (next == L'\\' || next == L'/') &&
         CompareStringOrdinal(dir.data(), static_cast<int>(folder.size()), folder.data(),
                              static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

bool IsWritable(const std::wstring& dir) {
  const std::wstring probe = dir + L"\\vykfind-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

std::string UserDataDirectory() {
  const std::wstring appData = KnownFolder(FOLDERID_RoamingAppData, KF_FLAG_CREATE);
  if (appData.empty()) return {};
  const std::wstring dir = appData + L"\\vykfind";
  CreateDirectoryW(dir.c_str(), nullptr);
  return Narrow(dir) + '\\';
}

}  // namespace

bool IsPortableDirectory(const std::string& dir) {
  std::wstring wide = Widen(dir);
  while (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
  if (wide.empty()) return false;
  for (REFKNOWNFOLDERID id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86})
    if (IsInside(wide, KnownFolder(id, 0))) return false;
  return IsWritable(wide);
}

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
  static const std::string dir = [] {
    const std::string exe = ExecutablePath();
    const auto slash = exe.find_last_of("\\/");
    const std::string exeDir = slash == std::string::npos ? std::string(".\\") : exe.substr(0, slash + 1);
    if (IsPortableDirectory(exeDir)) return exeDir;
    const std::string user = UserDataDirectory();
    return user.empty() ? exeDir : user;
  }();
  return dir;
}

}  // namespace vyk
