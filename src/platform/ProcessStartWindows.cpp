// Starting a detached process with CreateProcessW.
#include "platform/ProcessStart.h"

#include <windows.h>

#include "platform/WindowsText.h"

namespace vyk {
namespace {

bool IsSlash(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// "C:..." and "\..." are not relative to the working directory.
bool IsRooted(const std::wstring& path) {
  return (!path.empty() && IsSlash(path[0])) || (path.size() >= 2 && path[1] == L':');
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return {};
  std::wstring full(length, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
  if (written == 0 || written >= length) return {};
  full.resize(written);
  return full;
}

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool StartProcess(const std::string& file, const std::string& parameters,
                  const std::string& workingDirectory) {
  const std::wstring wideFile = Widen(file);
  const std::wstring directory = Widen(workingDirectory);
  if (wideFile.empty() || (!workingDirectory.empty() && !IsDirectory(directory))) return false;

  // A relative file is found from the working directory, never on PATH.
  std::wstring program = wideFile;
  if (!directory.empty() && !IsRooted(program)) {
    program = directory;
    if (!IsSlash(program.back())) program.push_back(L'\\');
    program += wideFile;
  }
  program = FullPath(program);
  if (program.empty() || IsDirectory(program)) return false;

  // The game reads and splits its raw command line itself, so the parameter
  // text goes through untouched. A path cannot hold a double quote.
  std::wstring commandLine = L"\"" + program + L"\" " + Widen(parameters);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  // No handles of ours and not our console: the game is a window program, and
  // one built for the console must not share our streams or our Ctrl+C. Our
  // error mode is ours alone.
  const DWORD flags = DETACHED_PROCESS | CREATE_DEFAULT_ERROR_MODE;
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

}  // namespace vyk
