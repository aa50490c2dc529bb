// q3sim --control: farms made and driven on request over UDP on 127.0.0.1, for
// test programs that cannot run a farm themselves (see lib/RemoteFarm.cpp).
#pragma once

#include <cstdint>

namespace q3sim {

// Serves until SIGINT or SIGTERM, which the caller has blocked in every thread.
// Returns the exit status.
int RunControl(std::uint16_t port);

}  // namespace q3sim
