#pragma once
// A scripted UDP peer on 127.0.0.1 for exchange tests: it records the first
// request it receives and answers with a fixed list of datagrams.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vyk::test {

class LocalResponder {
 public:
  struct Reply {
    std::string bytes;
    std::chrono::milliseconds delay{0};  // before this datagram
  };

  explicit LocalResponder(std::vector<Reply> replies) : replies_(std::move(replies)) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~LocalResponder() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }
  LocalResponder(const LocalResponder&) = delete;
  LocalResponder& operator=(const LocalResponder&) = delete;

  std::uint16_t Port() const { return port_; }
  std::string Request() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return request_;
  }
  int RequestCount() const { return requests_; }

 private:
  void Run() {
    while (!stop_) {
      pollfd entry{fd_, POLLIN, 0};
      if (::poll(&entry, 1, 20) <= 0) continue;
      char data[70000];
      sockaddr_in from{};
      socklen_t len = sizeof from;
      const ssize_t got =
          ::recvfrom(fd_, data, sizeof data, 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (got < 0) continue;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (requests_ == 0) request_.assign(data, static_cast<std::size_t>(got));
      }
      ++requests_;
      for (const Reply& reply : replies_) {
        if (stop_) break;
        if (reply.delay.count() > 0) std::this_thread::sleep_for(reply.delay);
        ::sendto(fd_, reply.bytes.data(), reply.bytes.size(), 0, reinterpret_cast<sockaddr*>(&from),
                 len);
      }
    }
  }

  std::vector<Reply> replies_;
  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  mutable std::mutex mutex_;
  std::string request_;
  std::thread thread_;
};

}  // namespace vyk::test
