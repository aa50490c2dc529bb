#include "platform/Terminal.h"

#include <windows.h>

#include <cstdio>

#include "platform/WindowsText.h"

namespace vyk {

void UseParentConsole() {
  const auto unset = [](DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
  };
  const bool output = unset(STD_OUTPUT_HANDLE), error = unset(STD_ERROR_HANDLE);
  if (!output && !error) return;  // a console program, or both redirected
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;  // started from Explorer
  FILE* ignored = nullptr;
  if (output) freopen_s(&ignored, "CONOUT$", "w", stdout);
  if (error) freopen_s(&ignored, "CONOUT$", "w", stderr);
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  // The console itself, whatever the standard streams were redirected to.
  const HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return std::nullopt;
  DWORD saved = 0;
  if (!GetConsoleMode(in, &saved)) {
    CloseHandle(in);
    return std::nullopt;
  }
  const HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD written = 0;
  if (out != INVALID_HANDLE_VALUE) {
    WriteConsoleA(out, prompt.data(), static_cast<DWORD>(prompt.size()), &written, nullptr);
  }
  // Line input stays on, so the console still edits the line; only echo goes.
  SetConsoleMode(in, (saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT);

  // Read as UTF-16: the console's input code page need not be our ANSI one.
  std::wstring typed;
  bool ok = false;
  for (wchar_t c = 0;;) {
    DWORD got = 0;
    if (!ReadConsoleW(in, &c, 1, &got, nullptr) || got == 0) break;
    if (c == L'\r') continue;
    if (c == L'\n') {
      ok = true;
      break;
    }
    typed.push_back(c);
  }
  SetConsoleMode(in, saved);
  // The typed line feed was not echoed.
  if (out != INVALID_HANDLE_VALUE) {
    WriteConsoleA(out, "\r\n", 2, &written, nullptr);
    CloseHandle(out);
  }
  CloseHandle(in);
  if (!ok && typed.empty()) return std::nullopt;

  return Narrow(typed);
}

}  // namespace vyk
