#pragma once
// Datagram sockets of either IP family, name resolution and the steady clock:
// the only operating-system calls the status exchange needs.
#include <array>
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

enum class IpFamily : std::uint8_t { kV4, kV6 };

// An IPv4 or IPv6 address and port; bytes and port in network byte order.
struct NetEndpoint {
  IpFamily family = IpFamily::kV4;
  std::array<std::uint8_t, 16> bytes{};  // IPv4: the first four
  std::uint16_t port = 0;
  std::uint32_t scopeId = 0;  // an IPv6 link-local address's interface

  NetEndpoint() = default;
  NetEndpoint(const Ipv4Endpoint& v4);  // NOLINT: an IPv4 endpoint is one
  std::uint32_t Ipv4Address() const;    // network byte order; IPv4 only
  bool operator==(const NetEndpoint&) const = default;
};

// Host text to an address; the port is left as it is. IPv4 dotted notation
// first (as ResolveIpv4), then an IPv6 literal (brackets and a "%zone" allowed),
// then the system resolver, IPv4 before IPv6. An IPv4 address written as
// IPv6 ("::ffff:10.0.0.5") is taken as IPv4. Never a broadcast or multicast
// address, never a ".invalid" name.
bool ResolveHost(const std::string& host, NetEndpoint* out);

// The address alone: dotted IPv4, or IPv6 in its shortest form without
// brackets ("2001:db8::1", "fe80::1%2").
std::string AddressText(const NetEndpoint& endpoint);
// The 16 bytes of an IPv6 literal (no brackets, no zone); false for anything else.
bool ParseIpv6(const std::string& text, std::array<std::uint8_t, 16>* bytes);
// True for ::ffff:a.b.c.d, which is IPv4 reached through IPv6.
bool IsMappedIpv4(const std::array<std::uint8_t, 16>& bytes);

// The clock the system stamps arriving datagrams with: the wall clock. It may
// be stepped, so a difference of two readings can come out negative.
using ArrivalTime = std::chrono::system_clock::time_point;
inline ArrivalTime ArrivalNow() {
  return std::chrono::system_clock::now();
}

// A UDP socket of one family (AF_INET or AF_INET6, SOCK_DGRAM), open from
// construction to destruction.
class UdpSocket {
 public:
  explicit UdpSocket(IpFamily family = IpFamily::kV4);
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  bool IsOpen() const { return fd_ != -1; }
  IpFamily Family() const { return family_; }

  // Bytes sent, or -1 (also for an endpoint of the other family).
  long SendTo(const void* data, std::size_t size, const NetEndpoint& to);
  // Bytes of one datagram (cut to `size`), 0 for an empty datagram, or -1.
  long Recv(void* data, std::size_t size);
  // As Recv, also giving the sender.
  long RecvFrom(void* data, std::size_t size, NetEndpoint* from);
  long RecvFrom(void* data, std::size_t size, Ipv4Endpoint* from);

  // From now on the system notes the moment each datagram reaches the socket
  // (Linux; Windows 10 and later). Where it notes none (older Windows, Wine)
  // the moment is when WaitReadable saw the datagram.
  bool StampArrivals();
  // As Recv; `arrival` gets the moment the datagram reached the socket, else
  // the moment the last wait saw it readable, else the moment it was read.
  long RecvStamped(void* data, std::size_t size, ArrivalTime* arrival);

  // Waits until a datagram can be read: 1 readable, 0 time-out, -1 error.
  // Microsecond resolution; a signal does not cut the wait short.
  int WaitReadable(std::chrono::microseconds timeout);

 private:
  // One wait of the system's own: 1 readable, 0 time-out, -1 error, kInterrupted.
  static constexpr int kInterrupted = 2;
  int WaitOnce(std::chrono::microseconds timeout);

  std::intptr_t fd_ = -1;  // a descriptor, or a Winsock SOCKET
  IpFamily family_;
  ArrivalTime readableAt_{};  // of the last wait that saw a datagram
  bool systemStamps_ = false;  // Windows: SIO_TIMESTAMPING took
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
