#pragma once
// The BSD socket calls that Linux and Windows share, each from its own
// headers.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace vyk {

struct NetEndpoint;

// Winsock must be started before any socket call (once per process, asking
// for version 1.1; UdpSocketWindows.cpp). POSIX needs nothing.
#ifdef _WIN32
void StartWinsockOnce();
#else
inline void StartWinsockOnce() {}
#endif

// An endpoint as the socket calls take it, and back. The length is that of
// the family's own address structure.
socklen_t ToSockaddr(const NetEndpoint& endpoint, sockaddr_storage* out);
NetEndpoint FromSockaddr(const sockaddr_storage& address);
int SocketFamily(const NetEndpoint& endpoint);

}  // namespace vyk
