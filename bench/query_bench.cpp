// Figures for the status exchange: parse cost of a typical answer and
// loopback exchanges per second from many threads at once.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "Farm.h"
#include "Replies.h"
#include "core/QuerySocket.h"
#include "core/StatusAnswer.h"

int main() {
  using Clock = std::chrono::steady_clock;

  q3sim::ServerConfig config = q3sim::DefaultServerConfig();
  for (int i = 0; i < 16; ++i)
    config.players.push_back(
        {i, 40 + i, "^" + std::to_string(i % 10) + "Player" + std::to_string(i)});
  const std::string answer = q3sim::StatusResponse(config, "");

  vyk::StatusAnswer parser;
  constexpr int kParses = 50000;
  auto start = Clock::now();
  int total = 0;
  for (int i = 0; i < kParses; ++i) total += parser.Parse(answer);
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("parse: %zu-byte answer (%d pairs + player lines), %.2f us per answer\n",
              answer.size(), total / kParses, seconds * 1e6 / kParses);

  q3sim::Farm farm;
  if (!farm.Start()) return 1;
  constexpr int kServers = 64;
  constexpr int kRounds = 50;
  std::vector<std::uint16_t> ports;
  for (int i = 0; i < kServers; ++i) ports.push_back(farm.Port(farm.AddServer(config)));
  std::atomic<int> answered{0};
  std::atomic<long long> pingSum{0};
  start = Clock::now();
  std::vector<std::thread> threads;
  for (int i = 0; i < kServers; ++i) {
    threads.emplace_back([&, i] {
      for (int r = 0; r < kRounds; ++r) {
        vyk::QuerySocket socket("127.0.0.1", ports[static_cast<std::size_t>(i)], "");
        if (socket.QueryStatus() > 0) {
          ++answered;
          pingSum += socket.Ping();
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf(
      "exchange: %d threads x %d queries, %d answered, %.0f exchanges/s, mean ping %.2f ms\n",
      kServers, kRounds, answered.load(), answered.load() / seconds,
      answered.load() ? static_cast<double>(pingSum.load()) / answered.load() : 0.0);
  return 0;
}
