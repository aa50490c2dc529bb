#include "platform/UdpSocket.h"

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <linux/net_tstamp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/BsdSockets.h"

namespace vyk {

int WSAStartup(std::uint16_t /*version*/) {
  return 0;
}
int WSACleanup() {
  return 0;
}

UdpSocket::UdpSocket(IpFamily family) : family_(family) {
  fd_ = ::socket(family == IpFamily::kV6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

UdpSocket::~UdpSocket() {
  if (fd_ >= 0) ::close(fd_);
}

long UdpSocket::SendTo(const void* data, std::size_t size, const NetEndpoint& to) {
  if (fd_ < 0 || to.family != family_) return -1;
  sockaddr_storage addr{};
  const socklen_t length = ToSockaddr(to, &addr);
  ssize_t sent;
  do {
    sent = ::sendto(fd_, data, size, 0, reinterpret_cast<const sockaddr*>(&addr), length);
  } while (sent < 0 && errno == EINTR);
  return static_cast<long>(sent);
}

long UdpSocket::RecvFrom(void* data, std::size_t size, NetEndpoint* from) {
  if (fd_ < 0) return -1;
  sockaddr_storage addr{};
  socklen_t length = sizeof addr;
  ssize_t got;
  do {
    got = ::recvfrom(fd_, data, size, 0, reinterpret_cast<sockaddr*>(&addr), &length);
  } while (got < 0 && errno == EINTR);
  if (got >= 0 && from != nullptr) *from = FromSockaddr(addr);
  return static_cast<long>(got);
}

namespace {

constexpr int kStampFlags = SOF_TIMESTAMPING_RX_SOFTWARE | SOF_TIMESTAMPING_SOFTWARE;

// recv of one datagram with the system's arrival stamp, if it took one.
ssize_t ReceiveStamped(int fd, void* data, std::size_t size, int flags, ArrivalTime* arrival,
                       bool* stamped) {
  iovec area{data, size};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(scm_timestamping))];
  msghdr message{};
  message.msg_iov = &area;
  message.msg_iovlen = 1;
  ssize_t got;
  do {
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    got = ::recvmsg(fd, &message, flags);
  } while (got < 0 && errno == EINTR);
  *stamped = false;
  if (got < 0) return got;
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPING) continue;
    scm_timestamping stamps{};
    std::memcpy(&stamps, CMSG_DATA(c), sizeof stamps);
    const timespec& at = stamps.ts[0];
    if (at.tv_sec == 0 && at.tv_nsec == 0) continue;
    *arrival = ArrivalTime(std::chrono::duration_cast<ArrivalTime::duration>(
        std::chrono::seconds(at.tv_sec) + std::chrono::nanoseconds(at.tv_nsec)));
    *stamped = true;
  }
  return got;
}

// The system stamps arrivals only while some socket asks for it, and starts a
// moment after the first one asks: short-lived sockets alone would often see
// their answer unstamped. One socket asks for the whole run; the first call
// waits (200 ms at most) until a datagram it sends itself comes back stamped.
void KeepArrivalStampsOn() {
  static const bool kOn = [] {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof self;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&self), &length) != 0 ||
        ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPING, &kStampFlags, sizeof kStampFlags) != 0) {
      ::close(fd);
      return false;
    }
    for (int attempt = 0; attempt < 200; ++attempt) {
      char probe = 0;
      ::sendto(fd, &probe, 1, 0, reinterpret_cast<const sockaddr*>(&self), sizeof self);
      ArrivalTime ignored;
      bool stamped = false;
      // Loopback delivers within sendto: the datagram is there already.
      while (ReceiveStamped(fd, &probe, 1, MSG_DONTWAIT, &ignored, &stamped) >= 0) {
        if (stamped) return true;
      }
      timespec pause{0, 1000000};
      ::nanosleep(&pause, nullptr);
    }
    return true;  // the socket keeps asking; later exchanges may still profit
  }();
  (void)kOn;
}

}  // namespace

bool UdpSocket::StampArrivals() {
  if (fd_ < 0) return false;
  KeepArrivalStampsOn();
  return ::setsockopt(fd_, SOL_SOCKET, SO_TIMESTAMPING, &kStampFlags, sizeof kStampFlags) == 0;
}

long UdpSocket::RecvStamped(void* data, std::size_t size, ArrivalTime* arrival) {
  if (fd_ < 0) return -1;
  bool stamped = false;
  const ssize_t got = ReceiveStamped(fd_, data, size, 0, arrival, &stamped);
  if (got >= 0 && !stamped) *arrival = readableAt_ != ArrivalTime{} ? readableAt_ : ArrivalNow();
  readableAt_ = ArrivalTime{};
  return static_cast<long>(got);
}

int UdpSocket::WaitOnce(std::chrono::microseconds timeout) {
  // ppoll, not select: select cannot watch a descriptor of 1024 or more, and
  // poll counts in milliseconds only.
  timespec wait{};
  wait.tv_sec = static_cast<time_t>(timeout.count() / 1000000);
  wait.tv_nsec = static_cast<long>(timeout.count() % 1000000) * 1000;
  pollfd entry{};
  entry.fd = static_cast<int>(fd_);
  entry.events = POLLIN;
  const int ready = ::ppoll(&entry, 1, &wait, nullptr);
  if (ready > 0) return (entry.revents & (POLLIN | POLLERR)) != 0 ? 1 : -1;
  if (ready == 0) return 0;
  return errno == EINTR ? kInterrupted : -1;
}

}  // namespace vyk
