// The address family a farm socket listens on: 127.0.0.1 or [::1].
#pragma once

#include <cstdint>

namespace q3sim {

enum class Family : std::uint8_t { kIpv4 = 0, kIpv6 = 1 };

}  // namespace q3sim
