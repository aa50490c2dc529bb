#pragma once
// How the system writes paths and text files. POSIX separates directories
// with '/'; Windows with '\' and takes '/' as well (its file dialogs and many
// users write that). A text-mode stream ends each line with the system's
// line end: CR LF on Windows. Files from either system read the same.
#include <string>
#include <string_view>

namespace vyk {

#ifdef _WIN32
inline constexpr std::string_view kPathSeparators = "\\/";
inline constexpr std::string_view kLineEnd = "\r\n";
#else
inline constexpr std::string_view kPathSeparators = "/";
inline constexpr std::string_view kLineEnd = "\n";
#endif

inline bool IsPathSeparator(char c) {
  return kPathSeparators.find(c) != std::string_view::npos;
}

// The same path with every separator written '/', which both systems read;
// the text keeps its length.
inline std::string WithForwardSlashes(std::string path) {
  for (char& c : path)
    if (IsPathSeparator(c)) c = '/';
  return path;
}

}  // namespace vyk
