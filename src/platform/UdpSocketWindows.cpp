// Winsock half of the socket layer.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>

#include "platform/BsdSockets.h"
#include "platform/UdpSocket.h"

#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

namespace vyk {

int WSAStartup(std::uint16_t version) {
  WSADATA data{};
  return ::WSAStartup(version, &data);
}

int WSACleanup() {
  return ::WSACleanup() == 0 ? 0 : ::WSAGetLastError();
}

// Sockets work whether or not the caller started the library: the process
// starts it once, asking for version 1.1, and never cleans it up.
void StartWinsockOnce() {
  static const int kStarted = WSAStartup(0x0101);
  (void)kStarted;
}

namespace {

SOCKET Handle(std::intptr_t fd) {
  return static_cast<SOCKET>(fd);
}

}  // namespace

UdpSocket::UdpSocket(IpFamily family) : family_(family) {
  StartWinsockOnce();
  const SOCKET s = ::socket(family == IpFamily::kV6 ? AF_INET6 : AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return;
  fd_ = static_cast<std::intptr_t>(s);
  // The game started later must not inherit it.
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  // A port-unreachable answer to an earlier send would otherwise fail the
  // next receive with WSAECONNRESET; on POSIX an unconnected socket never
  // sees it, and the exchange should not either.
  BOOL report = FALSE;
  DWORD ignored = 0;
  WSAIoctl(s, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &ignored, nullptr, nullptr);
}

UdpSocket::~UdpSocket() {
  if (IsOpen()) ::closesocket(Handle(fd_));
}

long UdpSocket::SendTo(const void* data, std::size_t size, const NetEndpoint& to) {
  if (!IsOpen() || size > 0x7FFFFFFF || to.family != family_) return -1;
  sockaddr_storage addr{};
  const socklen_t length = ToSockaddr(to, &addr);
  const int sent = ::sendto(Handle(fd_), static_cast<const char*>(data), static_cast<int>(size), 0,
                            reinterpret_cast<const sockaddr*>(&addr), length);
  return sent == SOCKET_ERROR ? -1 : sent;
}

long UdpSocket::RecvFrom(void* data, std::size_t size, NetEndpoint* from) {
  if (!IsOpen()) return -1;
  const int room = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
  sockaddr_storage addr{};
  int length = sizeof addr;
  int got = ::recvfrom(Handle(fd_), static_cast<char*>(data), room, 0,
                       reinterpret_cast<sockaddr*>(&addr), &length);
  // Winsock fails a datagram longer than the buffer after filling the
  // buffer; POSIX hands over the part that fits. Keep the POSIX meaning.
  if (got == SOCKET_ERROR && ::WSAGetLastError() == WSAEMSGSIZE) got = room;
  if (got == SOCKET_ERROR) return -1;
  if (from != nullptr) *from = FromSockaddr(addr);
  return got;
}

bool UdpSocket::StampArrivals() {
  return IsOpen();
}

long UdpSocket::RecvStamped(void* data, std::size_t size, ArrivalTime* arrival) {
  const long got = RecvFrom(data, size, static_cast<NetEndpoint*>(nullptr));
  *arrival = readableAt_ != ArrivalTime{} ? readableAt_ : ArrivalNow();
  readableAt_ = ArrivalTime{};
  return got;
}

int UdpSocket::WaitOnce(std::chrono::microseconds timeout) {
  // select: on Windows it watches any socket, whatever its number, and
  // counts in microseconds.
  timeval wait{};
  wait.tv_sec = static_cast<long>(timeout.count() / 1000000);
  wait.tv_usec = static_cast<long>(timeout.count() % 1000000);
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Handle(fd_), &readable);
  const int ready = ::select(0, &readable, nullptr, nullptr, &wait);
  if (ready == SOCKET_ERROR) return -1;
  return ready > 0 ? 1 : 0;
}

}  // namespace vyk
