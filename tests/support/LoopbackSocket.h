#pragma once
// Plain UDP sockets of a test's own on 127.0.0.1: the BSD calls, from
// Winsock's headers on Windows, with the few names that differ.
#ifndef _WIN32
#include <poll.h>
#include <unistd.h>
#endif

#include "platform/BsdSockets.h"

namespace vyk::test {

#ifdef _WIN32
using SocketFd = SOCKET;
inline void CloseSocket(SocketFd fd) {
  ::closesocket(fd);
}
// 1 when a datagram can be read within timeoutMs, 0 on time-out.
inline int PollReadable(SocketFd fd, int timeoutMs) {
  WSAPOLLFD entry{fd, POLLRDNORM, 0};
  return ::WSAPoll(&entry, 1, timeoutMs);
}
#else
using SocketFd = int;
inline void CloseSocket(SocketFd fd) {
  ::close(fd);
}
inline int PollReadable(SocketFd fd, int timeoutMs) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, timeoutMs);
}
#endif

// The socket; *bound receives its address and port (network order).
inline SocketFd BindLoopbackUdp(sockaddr_in* bound) {
  StartWinsockOnce();
  const SocketFd fd = ::socket(AF_INET, SOCK_DGRAM, 0);
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
