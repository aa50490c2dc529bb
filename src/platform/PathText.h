#pragma once
// Paths as the system writes them: POSIX separates directories with '/';
// Windows with '\' and takes '/' as well (its file dialogs and many users
// write that).
#include <string>
#include <string_view>

namespace vyk {

#ifdef _WIN32
inline constexpr std::string_view kPathSeparators = "\\/";
#else
inline constexpr std::string_view kPathSeparators = "/";
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
