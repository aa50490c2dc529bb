#pragma once
// IPv4 datagram sockets, name resolution and the steady clock: the only
// operating-system calls the status exchange needs.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vyk {

// Start-up and clean-up of the socket library, as Winsock counts them (0 on
// success). POSIX needs neither and they report success; on Windows a socket
// or a name look-up also starts the library itself, once for the process.
int WSAStartup(std::uint16_t version);
int WSACleanup();

// An IPv4 address and port, both in network byte order.
struct Ipv4Endpoint {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
};

// Host text to an IPv4 address in network byte order: dotted notation first
// (as inet_addr reads it, "127.1" included), then the system resolver
// (thread-safe, IPv4 only, first address). Names under the reserved
// ".invalid" domain and the limited broadcast address never resolve.
bool ResolveIpv4(const std::string& host, std::uint32_t* address);

std::uint16_t HostToNetwork16(std::uint16_t value);
std::uint16_t NetworkToHost16(std::uint16_t value);

// Dotted text of an address in network byte order.
std::string Ipv4Text(std::uint32_t address);

// The clock the system stamps arriving datagrams with: the wall clock. It may
// be stepped, so a difference of two readings can come out negative.
using ArrivalTime = std::chrono::system_clock::time_point;
inline ArrivalTime ArrivalNow() {
  return std::chrono::system_clock::now();
}

// A UDP socket (AF_INET, SOCK_DGRAM), open from construction to destruction.
class UdpSocket {
 public:
  UdpSocket();
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  bool IsOpen() const { return fd_ != -1; }

  // Bytes sent, or -1.
  long SendTo(const void* data, std::size_t size, const Ipv4Endpoint& to);
  // Bytes of one datagram (cut to `size`), 0 for an empty datagram, or -1.
  long Recv(void* data, std::size_t size);
  // As Recv, also giving the sender.
  long RecvFrom(void* data, std::size_t size, Ipv4Endpoint* from);

  // From now on the system notes the moment each datagram reaches the socket
  // (Linux). Windows notes none: there the moment is when WaitReadable saw it.
  bool StampArrivals();
  // As Recv; `arrival` gets the moment the datagram reached the socket, else
  // the moment the last wait saw it readable, else the moment it was read.
  long RecvStamped(void* data, std::size_t size, ArrivalTime* arrival);

  // Waits until a datagram can be read: 1 readable, 0 time-out, -1 error.
  // Microsecond resolution; a signal does not cut the wait short.
  int WaitReadable(std::chrono::microseconds timeout);

 private:
  std::intptr_t fd_ = -1;  // a descriptor, or a Winsock SOCKET
  ArrivalTime readableAt_{};  // of the last wait that saw a datagram
};

// Steady clock for round-trip times.
using SteadyTime = std::chrono::steady_clock::time_point;
inline SteadyTime SteadyNow() {
  return std::chrono::steady_clock::now();
}
// Whole milliseconds from `start` to `end`, truncated.
inline std::int64_t ElapsedMilliseconds(SteadyTime start, SteadyTime end) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count();
}
inline std::int64_t ElapsedMilliseconds(ArrivalTime start, ArrivalTime end) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count();
}
// Whole milliseconds since an arbitrary fixed point.
inline std::int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyNow().time_since_epoch())
      .count();
}

}  // namespace vyk
