// The farm's state shared by its public functions and its event loop.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <queue>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Farm.h"
#include "LeakyBucket.h"

namespace q3sim {

namespace farm_detail {

using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kWakeKey = ~0ull;
constexpr std::uint64_t kTimerKey = ~0ull - 1;
constexpr std::uint64_t kMasterKey = ~0ull - 2;
constexpr int kMasterId = -1;

struct Pending {
  Clock::time_point due;
  std::uint64_t seq = 0;
  int serverId = 0;  // kMasterId for the master
  sockaddr_in to{};
  std::vector<std::string> datagrams;
  bool countsInFlight = false;
  bool fromStray = false;               // datagrams leave from stray socket 0
  std::vector<std::string> strayFirst;  // sent from stray socket 1 before them
  std::chrono::system_clock::time_point requestArrived;
};

struct Later {
  bool operator()(const Pending& a, const Pending& b) const {
    return a.due != b.due ? a.due > b.due : a.seq > b.seq;
  }
};

struct Server {
  int fd = -1;
  std::uint16_t port = 0;
  ServerConfig config;
  std::mt19937 rng;
  ServerStats stats;
  std::map<std::uint32_t, LeakyBucket> perAddress;  // keyed by IPv4 address, port ignored
  LeakyBucket outbound;
  LeakyBucket badRcon;
};

int BindLoopback(std::uint16_t port);
std::uint16_t LocalPort(int fd);

}  // namespace farm_detail

struct Farm::Impl {
  using Clock = farm_detail::Clock;
  using Server = farm_detail::Server;
  using Pending = farm_detail::Pending;

  mutable std::mutex mutex;
  std::vector<std::unique_ptr<Server>> servers;  // index = id; null once removed
  int epollFd = -1;
  int wakeFd = -1;
  int timerFd = -1;
  int masterFd = -1;
  std::uint16_t masterPort = 0;
  // Sockets that belong to no server: hostile replies come from them. Bound on first use.
  int strayFds[2] = {-1, -1};
  std::uint16_t strayPorts[2] = {0, 0};
  MasterConfig master;
  MasterStats masterStats;
  int inFlight = 0;
  int maxInFlight = 0;
  std::uint64_t totalRequests = 0;
  std::thread thread;
  bool stopping = false;

  // Loop-thread only.
  std::priority_queue<Pending, std::vector<Pending>, farm_detail::Later> queue;
  std::uint64_t seq = 0;
  std::vector<char> buffer = std::vector<char>(65536);

  Server* Find(int id) {
    if (id < 0 || id >= static_cast<int>(servers.size())) return nullptr;
    return servers[static_cast<std::size_t>(id)].get();
  }
  // `use` on server `id` under the lock, or `missing` when there is no such server.
  template <typename R, typename F>
  R WithServer(int id, R missing, F use) {
    std::lock_guard lock(mutex);
    Server* s = Find(id);
    return s ? R(use(*s)) : missing;
  }
  int StrayFd(int which);  // caller holds the mutex
  void Deliver(Server& s, const Pending& p);
  void Loop();
  void ReadServer(int id);
  void ReadMaster();
  void Schedule(Pending p);
  void Fire();
  void ArmTimer();
  void HandleRequest(Server& s, int id, const sockaddr_in& from, std::string_view data,
                     Clock::time_point now, std::chrono::system_clock::time_point arrived);
  void HandleMaster(const sockaddr_in& from, std::string_view data, Clock::time_point now);
};

}  // namespace q3sim
