#include <windows.h>

#include "platform/FileRead.h"
#include "platform/WindowsText.h"

namespace vyk {
namespace {

std::int64_t Ticks(const FILETIME& t) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
}

FileReadResult Failure() {
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileReadResult::kMissing
                                                                        : FileReadResult::kFailed;
}

FileReadResult StampOpen(HANDLE file, FileStamp* stamp) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info) || GetFileType(file) != FILE_TYPE_DISK ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return FileReadResult::kFailed;
  // Windows keeps no change time in this record; the write time and the
  // file index stand for it, as a replace gives the name a new index.
  *stamp = FileStamp{info.dwVolumeSerialNumber,
                     (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                     (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                     Ticks(info.ftLastWriteTime), Ticks(info.ftCreationTime), 0};
  return FileReadResult::kRead;
}

HANDLE OpenForReading(const std::string& path) {
  // Shared with every kind of access, so a reader never stands in the way of
  // a replace.
  return CreateFileW(Widen(path).c_str(), GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

FileReadResult StampFile(const std::string& path, FileStamp* stamp) {
  const HANDLE file = OpenForReading(path);
  if (file == INVALID_HANDLE_VALUE) return Failure();
  const FileReadResult result = StampOpen(file, stamp);
  CloseHandle(file);
  return result;
}

FileReadResult ReadWholeFile(const std::string& path, std::string* bytes, FileStamp* stamp) {
  const HANDLE file = OpenForReading(path);
  if (file == INVALID_HANDLE_VALUE) return Failure();
  FileReadResult result = StampOpen(file, stamp);
  char buffer[65536];
  while (result == FileReadResult::kRead) {
    DWORD n = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) result = FileReadResult::kFailed;
    if (n == 0) break;
    bytes->append(buffer, n);
  }
  CloseHandle(file);
  return result;
}

}  // namespace vyk
