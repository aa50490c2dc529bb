// Name resolution and waits of the IPv4 datagram socket.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#endif

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackSocket.h"
#include "platform/UdpSocket.h"

namespace vyk {
namespace {

using namespace std::chrono_literals;

std::string Resolved(const std::string& host) {
  std::uint32_t address = 0;
  if (!ResolveIpv4(host, &address)) return "unresolved";
  return Ipv4Text(address);
}

TEST(ResolveIpv4Test, DottedFormsAsInetAddrReadsThem) {
  EXPECT_EQ(Resolved("127.0.0.1"), "127.0.0.1");
  EXPECT_EQ(Resolved("127.1"), "127.0.0.1");
  EXPECT_EQ(Resolved("0x7f.0.0.2"), "127.0.0.2");
  EXPECT_EQ(Resolved("10.0.0.5"), "10.0.0.5");  // no packet is sent here
}

TEST(ResolveIpv4Test, NamesGoThroughTheSystemResolver) {
  EXPECT_EQ(Resolved("localhost"), "127.0.0.1");
}

TEST(ResolveIpv4Test, NeverBroadcastNeverReservedNames) {
  using namespace std::string_literals;
  for (const std::string& text :
       {"255.255.255.255"s, "nosuchhost.invalid"s, "NoSuchHost.INVALID."s, "invalid"s, ""s,
        "\0"
        "127.0.0.1"s})
    EXPECT_EQ(Resolved(text), "unresolved") << text;
}

TEST(ResolveIpv4Test, SafeFromManyThreadsAtOnce) {
  std::atomic<int> right{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 32; ++i) {
    threads.emplace_back([&] {
      if (Resolved("localhost") == "127.0.0.1") ++right;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(right.load(), 32);
}

std::string ResolvedHost(const std::string& host) {
  NetEndpoint endpoint;
  if (!ResolveHost(host, &endpoint)) return "unresolved";
  return (endpoint.family == IpFamily::kV6 ? "6 " : "4 ") + AddressText(endpoint);
}

TEST(ResolveHostTest, IpFourFirstThenIpSixLiteralsNeverMulticast) {
  EXPECT_EQ(ResolvedHost("127.1"), "4 127.0.0.1");
  EXPECT_EQ(ResolvedHost("localhost"), "4 127.0.0.1");
  EXPECT_EQ(ResolvedHost("::1"), "6 ::1");
  EXPECT_EQ(ResolvedHost("[2001:DB8::0:1]"), "6 2001:db8::1");
  EXPECT_EQ(ResolvedHost("::ffff:10.0.0.5"), "4 10.0.0.5");
  // Broadcast, multicast, a port (no part of a host), reserved names.
  for (const std::string text :
       {"::ffff:255.255.255.255", "ff02::1", "[::1]:27960", "nosuchhost.invalid", ""})
    EXPECT_EQ(ResolvedHost(text), "unresolved") << text;
}

// A bound loopback peer that echoes one datagram back to its sender.
class Echo {
 public:
  Echo() {
    sockaddr_in addr{};
    fd_ = test::BindLoopbackUdp(&addr);
    endpoint_.address = addr.sin_addr.s_addr;
    endpoint_.port = addr.sin_port;
  }
  ~Echo() { test::CloseSocket(fd_); }
  void EchoOne() {
    char data[64];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const int got = static_cast<int>(
        ::recvfrom(fd_, data, sizeof data, 0, reinterpret_cast<sockaddr*>(&from), &len));
    if (got > 0) ::sendto(fd_, data, got, 0, reinterpret_cast<sockaddr*>(&from), len);
  }
  const Ipv4Endpoint& Endpoint() const { return endpoint_; }

 private:
  test::SocketFd fd_{};
  Ipv4Endpoint endpoint_;
};

TEST(UdpSocketTest, WaitTimesOutThenSeesADatagram) {
  Echo echo;
  UdpSocket socket;
  ASSERT_TRUE(socket.IsOpen());
  EXPECT_EQ(socket.WaitReadable(1us), 0);
  EXPECT_EQ(socket.WaitReadable(20ms), 0);
  ASSERT_EQ(socket.SendTo("ping", 4, echo.Endpoint()), 4);
  echo.EchoOne();
  EXPECT_EQ(socket.WaitReadable(2s), 1);
  char data[16] = {};
  Ipv4Endpoint from;
  EXPECT_EQ(socket.RecvFrom(data, sizeof data, &from), 4);
  EXPECT_EQ(std::string(data), "ping");
  EXPECT_EQ(from.port, echo.Endpoint().port);
}

// Windows sockets are handles, with no such limit, and select watches any.
#ifndef _WIN32
TEST(UdpSocketTest, WaitsWorkOnDescriptorsAbove1024) {
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
  if (limit.rlim_cur < 1200) {
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 1200);
    setrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limit.rlim_cur < 1200) GTEST_SKIP() << "descriptor limit too low";
  std::vector<int> filler;
  for (int i = 0; i < 1100; ++i) filler.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
  {
    Echo echo;
    UdpSocket socket;
    ASSERT_TRUE(socket.IsOpen());
    ASSERT_EQ(socket.SendTo("x", 1, echo.Endpoint()), 1);
    echo.EchoOne();
    EXPECT_EQ(socket.WaitReadable(2s), 1);
  }
  for (int fd : filler) ::close(fd);
}
#endif

}  // namespace
}  // namespace vyk
