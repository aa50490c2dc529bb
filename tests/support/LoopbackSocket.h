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
#else
using SocketFd = int;
#endif

inline void CloseSocket(SocketFd fd) {
#ifdef _WIN32
  ::closesocket(fd);
#else
  ::close(fd);
#endif
}

// 1 when a datagram can be read within timeoutMs, 0 on time-out.
inline int PollReadable(SocketFd fd, int timeoutMs) {
#ifdef _WIN32
  WSAPOLLFD entry{fd, POLLRDNORM, 0};
  return ::WSAPoll(&entry, 1, timeoutMs);
#else
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, timeoutMs);
#endif
}

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
