// A plain UDP socket on 127.0.0.1 or [::1] that speaks to the farm as a game
// client would, with room for a flood in its receive buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Family.h"
#include "LoopbackSocket.h"

namespace q3sim_test {

class Client {
 public:
  explicit Client(q3sim::Family family = q3sim::Family::kIpv4)
      : ipv6_(family == q3sim::Family::kIpv6) {
    if (ipv6_) {
      vyk::StartWinsockOnce();
      fd_ = ::socket(AF_INET6, SOCK_DGRAM, 0);
      sockaddr_in6 a{};
      a.sin6_family = AF_INET6;
      a.sin6_addr.s6_addr[15] = 1;  // ::1, spelt the same for Winsock and POSIX
      ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    } else {
      sockaddr_in a{};
      fd_ = vyk::test::BindLoopbackUdp(&a);
    }
    int size = 8 << 20;
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
  }
  ~Client() { vyk::test::CloseSocket(fd_); }

  std::uint16_t Port() const {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    return PortOf(a);
  }

  void Send(std::uint16_t port, const std::string& bytes) {
    sockaddr_storage to{};
    socklen_t length = 0;
    if (ipv6_) {
      auto& a = reinterpret_cast<sockaddr_in6&>(to);
      a.sin6_family = AF_INET6;
      a.sin6_port = htons(port);
      a.sin6_addr.s6_addr[15] = 1;
      length = sizeof a;
    } else {
      auto& a = reinterpret_cast<sockaddr_in&>(to);
      a.sin_family = AF_INET;
      a.sin_port = htons(port);
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      length = sizeof a;
    }
    sendto(fd_, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<sockaddr*>(&to),
           length);
  }

  std::optional<std::string> Recv(int timeoutMs, std::uint16_t* fromPort = nullptr) {
    if (vyk::test::PollReadable(fd_, timeoutMs) <= 0) return std::nullopt;
    std::string buf(70000, '\0');
    sockaddr_storage from{};
    socklen_t len = sizeof from;
    const long n = recvfrom(fd_, buf.data(), static_cast<int>(buf.size()), 0,
                            reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return std::nullopt;
    if (fromPort) *fromPort = PortOf(from);
    buf.resize(static_cast<std::size_t>(n));
    return buf;
  }

  // Every datagram of one reply: the first within timeoutMs, then those that follow closely.
  std::vector<std::string> RecvAll(int timeoutMs = 2000) {
    std::vector<std::string> out;
    for (auto d = Recv(timeoutMs); d; d = Recv(100)) out.push_back(*d);
    return out;
  }

 private:
  static std::uint16_t PortOf(const sockaddr_storage& a) {
    return ntohs(a.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(a).sin6_port
                                         : reinterpret_cast<const sockaddr_in&>(a).sin_port);
  }

  bool ipv6_ = false;
  vyk::test::SocketFd fd_{};
};

}  // namespace q3sim_test
