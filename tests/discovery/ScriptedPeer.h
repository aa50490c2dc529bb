#pragma once
// A UDP peer on 127.0.0.1 that answers every datagram with a fixed script of
// datagrams, each after its own delay. For reply timings a real master
// cannot be made to show on demand.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackSocket.h"

namespace vyk::test {

class ScriptedPeer {
 public:
  struct Step {
    std::chrono::milliseconds delay;
    std::string bytes;
  };

  explicit ScriptedPeer(std::vector<Step> script) : script_(std::move(script)) {
    sockaddr_in addr{};
    fd_ = test::BindLoopbackUdp(&addr);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~ScriptedPeer() {
    stop_ = true;
    thread_.join();
    CloseSocket(fd_);
  }
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  std::uint16_t Port() const { return port_; }
  int Requests() const { return requests_; }

 private:
  void Run() {
    while (!stop_) {
      if (PollReadable(fd_, 20) <= 0) continue;
      char data[9000];
      sockaddr_in from{};
      socklen_t length = sizeof from;
      if (::recvfrom(fd_, data, sizeof data, 0, reinterpret_cast<sockaddr*>(&from), &length) < 0) {
        continue;
      }
      ++requests_;
      for (const Step& step : script_) {
        std::this_thread::sleep_for(step.delay);
        ::sendto(fd_, step.bytes.data(), static_cast<int>(step.bytes.size()), 0,
                 reinterpret_cast<const sockaddr*>(&from), length);
      }
    }
  }

  std::vector<Step> script_;
  SocketFd fd_{};
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

}  // namespace vyk::test
