#pragma once
// A UDP socket of a test's own on 127.0.0.1, at a port the system picks.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace vyk::test {

// The socket's descriptor; *bound receives its address and port (network order).
inline int BindLoopbackUdp(sockaddr_in* bound) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t length = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  *bound = addr;
  return fd;
}

}  // namespace vyk::test
