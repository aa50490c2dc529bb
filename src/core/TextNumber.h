#pragma once
#include <cstdint>
#include <string_view>

namespace vyk {

// The C atoi/atol reading of a text: leading white space skipped, an optional
// sign, decimal digits up to the first other character; no digits give 0.
// Values beyond the 32-bit range stop at its ends instead of wrapping.
std::int32_t ParseLeadingInt(std::string_view text);

}  // namespace vyk
