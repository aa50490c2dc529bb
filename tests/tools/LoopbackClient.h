// A plain UDP socket on 127.0.0.1 that speaks to the farm as a game client
// would, with room for a flood in its receive buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "LoopbackSocket.h"

namespace q3sim_test {

class Client {
 public:
  Client() {
    sockaddr_in a{};
    fd_ = vyk::test::BindLoopbackUdp(&a);
    int size = 8 << 20;
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
  }
  ~Client() { vyk::test::CloseSocket(fd_); }

  std::uint16_t Port() const {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
  }

  void Send(std::uint16_t port, const std::string& bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(fd_, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<sockaddr*>(&to),
           sizeof to);
  }

  std::optional<std::string> Recv(int timeoutMs, std::uint16_t* fromPort = nullptr) {
    if (vyk::test::PollReadable(fd_, timeoutMs) <= 0) return std::nullopt;
    std::string buf(70000, '\0');
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const long n = recvfrom(fd_, buf.data(), static_cast<int>(buf.size()), 0,
                            reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return std::nullopt;
    if (fromPort) *fromPort = ntohs(from.sin_port);
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
  vyk::test::SocketFd fd_{};
};

}  // namespace q3sim_test
