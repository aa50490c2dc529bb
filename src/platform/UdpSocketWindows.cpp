// Winsock half of the socket layer.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
#include <mswsock.h>

#include <algorithm>
#include <cstring>

#include "platform/BsdSockets.h"
#include "platform/UdpSocket.h"

#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

// Windows 10's receive stamps; the headers give them only to programs that
// need Windows 10, and this one starts on older systems too.
#ifndef SIO_TIMESTAMPING
#define SIO_TIMESTAMPING _WSAIOW(IOC_VENDOR, 235)
#define TIMESTAMPING_FLAG_RX 0x1
#define SO_TIMESTAMP 0x300A
typedef struct _TIMESTAMPING_CONFIG {
  ULONG Flags;
  USHORT TxTimestampsBuffered;
} TIMESTAMPING_CONFIG;
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

namespace {

// WSARecvMsg, which hands over the control data a stamp travels in.
LPFN_WSARECVMSG RecvMsgFunction(SOCKET s) {
  static const LPFN_WSARECVMSG kFunction = [s] {
    GUID id = WSAID_WSARECVMSG;
    LPFN_WSARECVMSG function = nullptr;
    DWORD bytes = 0;
    if (WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &function,
                 sizeof function, &bytes, nullptr, nullptr) != 0)
      return LPFN_WSARECVMSG{};
    return function;
  }();
  return kFunction;
}

// A stamp is a reading of the performance counter: its age, taken from the
// wall clock now, gives the arrival on the clock the exchange started on.
ArrivalTime ArrivalOfCounter(std::uint64_t stamp) {
  LARGE_INTEGER now{}, frequency{};
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  const ArrivalTime wall = ArrivalNow();
  const auto counts = static_cast<std::uint64_t>(now.QuadPart);
  if (frequency.QuadPart <= 0 || stamp > counts) return wall;
  const long double seconds =
      static_cast<long double>(counts - stamp) / static_cast<long double>(frequency.QuadPart);
  return wall - std::chrono::duration_cast<ArrivalTime::duration>(
                    std::chrono::duration<long double>(seconds));
}

}  // namespace

bool UdpSocket::StampArrivals() {
  if (!IsOpen()) return false;
  TIMESTAMPING_CONFIG config{};
  config.Flags = TIMESTAMPING_FLAG_RX;
  DWORD bytes = 0;
  systemStamps_ = WSAIoctl(Handle(fd_), SIO_TIMESTAMPING, &config, sizeof config, nullptr, 0,
                           &bytes, nullptr, nullptr) == 0 &&
                  RecvMsgFunction(Handle(fd_)) != nullptr;
  return true;
}

long UdpSocket::RecvStamped(void* data, std::size_t size, ArrivalTime* arrival) {
  const ArrivalTime seen = readableAt_ != ArrivalTime{} ? readableAt_ : ArrivalNow();
  readableAt_ = ArrivalTime{};
  *arrival = seen;
  if (!systemStamps_) return RecvFrom(data, size, static_cast<NetEndpoint*>(nullptr));
  WSABUF area{static_cast<ULONG>(std::min<std::size_t>(size, 0x7FFFFFFF)),
              static_cast<char*>(data)};
  alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof(std::uint64_t))] = {};
  WSAMSG message{};
  message.lpBuffers = &area;
  message.dwBufferCount = 1;
  message.Control.buf = control;
  message.Control.len = sizeof control;
  DWORD got = 0;
  if (RecvMsgFunction(Handle(fd_))(Handle(fd_), &message, &got, nullptr, nullptr) != 0) {
    // As RecvFrom: a datagram longer than the buffer hands over the part that fits.
    if (::WSAGetLastError() != WSAEMSGSIZE) return -1;
    got = area.len;
  }
  for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&message); c != nullptr;
       c = WSA_CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SO_TIMESTAMP) continue;
    std::uint64_t stamp = 0;
    std::memcpy(&stamp, WSA_CMSG_DATA(c), sizeof stamp);
    if (stamp != 0) *arrival = ArrivalOfCounter(stamp);
  }
  return static_cast<long>(got);
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
