#pragma once
// Windows only: the program's 8-bit texts (paths in Config.ini and the list
// files, names) are in the system's ANSI code page, as its files have always
// stored them; the system's own calls take UTF-16.
#include <windows.h>

#include <string>
#include <string_view>

namespace vyk {

inline std::wstring Widen(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return wide;
}

// Letters the code page lacks come out as "?", as in the ANSI calls.
inline std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), n, nullptr,
                      nullptr);
  return ansi;
}

}  // namespace vyk
