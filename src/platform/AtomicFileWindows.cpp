// Windows half of the atomic file replace: a temporary file beside the
// target, then MoveFileExW over it.
#include "platform/AtomicFile.h"

#include <windows.h>

#include <atomic>
#include <optional>

#include "platform/InFlightName.h"
#include "platform/WindowsText.h"

namespace vyk {
namespace {

struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() {
    if (handle != INVALID_HANDLE_VALUE && handle != nullptr) CloseHandle(handle);
  }
};

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

std::atomic<unsigned> g_counter{0};
using TemporaryName = InFlightName<std::wstring>;

// The writer's process id of "<name>.tmp<pid>.<n>", or nothing.
std::optional<DWORD> WriterOf(std::wstring_view entry, std::wstring_view prefix) {
  if (entry.substr(0, prefix.size()) != prefix) return std::nullopt;
  const std::wstring_view rest = entry.substr(prefix.size());
  const auto dot = rest.find(L'.');
  if (dot == 0 || dot == std::wstring_view::npos || dot + 1 == rest.size()) return std::nullopt;
  DWORD pid = 0;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (i == dot) continue;
    if (rest[i] < L'0' || rest[i] > L'9') return std::nullopt;
    if (i < dot) {
      if (pid > 0x7FFFFFFF / 10) return std::nullopt;
      pid = pid * 10 + static_cast<DWORD>(rest[i] - L'0');
    }
  }
  if (pid == 0) return std::nullopt;
  return pid;
}

bool ProcessRuns(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;  // another user's
  const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return runs;
}

bool IsLeftover(DWORD writer, const std::wstring& fullPath) {
  if (writer == GetCurrentProcessId()) {
    return !TemporaryName::IsBeingWritten(fullPath);
  }
  return !ProcessRuns(writer);
}

// Removes the temporary files of `path` that killed writers left.
void RemoveLeftovers(const std::wstring& path) {
  const auto slash = path.find_last_of(L"/\\");
  const std::wstring dir = slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
  const std::wstring prefix = (slash == std::wstring::npos ? path : path.substr(slash + 1)) + L".tmp";
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((dir + prefix + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::optional<DWORD> writer = WriterOf(found.cFileName, prefix);
    if (!writer) continue;
    const std::wstring fullPath = dir + found.cFileName;
    if (IsLeftover(*writer, fullPath)) DeleteFileW(fullPath.c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// MoveFileExW replaces the name in one step. A reader that opened the old
// file without delete sharing (most programs do: an editor, a virus scanner,
// a C runtime's fopen) holds the replace off until it closes the file; such
// reads are short, so the move is tried again for a while: by the clock, not
// a count of tries, since a busy machine may run the reader seldom. (ReplaceFileW
// would keep the old file's attributes, but can leave neither file in place
// when it fails half-way.)
bool MoveOver(const std::wstring& from, const std::wstring& to) {
  const ULONGLONG giveUp = GetTickCount64() + 5000;
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) ||
        GetTickCount64() >= giveUp)
      return false;
    Sleep(attempt < 10 ? 0 : 1);
  }
}

bool Replace(const std::string& link, std::string_view bytes) {
  if (link.empty()) return false;
  const std::wstring path = Widen(ResolvedForWriting(link));
  // A read-only file is never replaced: a rename would happily take its
  // place, but the user (or the system) asked for it to stay as it is.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
    return false;
  RemoveLeftovers(path);
  const TemporaryName temp(path + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"." +
                          std::to_wstring(g_counter.fetch_add(1)));
  bool ok;
  {
    HandleCloser file{CreateFileW(temp.Name().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) return false;
    ok = WriteAll(file.handle, bytes) && FlushFileBuffers(file.handle);
  }
  ok = ok && MoveOver(temp.Name(), path);
  if (!ok) DeleteFileW(temp.Name().c_str());
  return ok;
}

}  // namespace

std::string ResolvedForWriting(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
    return path;
  HandleCloser file{CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE) return path;
  wchar_t target[32768];
  const DWORD n = GetFinalPathNameByHandleW(file.handle, target, 32768, FILE_NAME_NORMALIZED);
  if (n == 0 || n >= 32768) return path;
  std::wstring_view resolved(target, n);
  if (resolved.substr(0, 4) == L"\\\\?\\") resolved.remove_prefix(4);
  return Narrow(resolved);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  return Replace(path, bytes);
}

// Windows files have no mode bits: the file gets the folder's defaults.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t /*mode*/) {
  return Replace(path, bytes);
}

}  // namespace vyk
