#pragma once
// Text helpers of the logic: trimming, letter case, leading numbers.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/AsciiCase.h"  // Lower

namespace vyk {

// White space as the C library's isspace has it: what list files, the cache
// and typed addresses lose around their texts.
inline constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
// Blanks around status line text: spaces, tabs and line breaks only.
inline constexpr std::string_view kLineBlanks = " \t\r\n";
// Blanks around a server table cell: its layout pads with spaces only.
inline constexpr std::string_view kSpaces = " ";

// `text` without the characters of `blanks` at either end.
std::string Trim(std::string_view text, std::string_view blanks = kWhiteSpace);

// The C atoi reading of a text (leading white space skipped, an optional sign,
// decimal digits up to the first other character, no digits give 0) in 64
// bits; from 10^12 on, further digits leave the value as it is (server
// values are whatever the server sent).
std::int64_t ParseLeadingWide(std::string_view text);

// The C atoi/atol reading of a text: leading white space skipped, an optional
// sign, decimal digits up to the first other character; no digits give 0.
// Values beyond the 32-bit range stop at its ends instead of wrapping.
std::int32_t ParseLeadingInt(std::string_view text);

}  // namespace vyk
