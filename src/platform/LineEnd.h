#pragma once
// The line end of the system's text files, as a text-mode stream writes it
// for each '\n': CR LF on Windows. Files from either system read the same.
#include <string_view>

namespace vyk {

#ifdef _WIN32
inline constexpr std::string_view kLineEnd = "\r\n";
#else
inline constexpr std::string_view kLineEnd = "\n";
#endif

}  // namespace vyk
