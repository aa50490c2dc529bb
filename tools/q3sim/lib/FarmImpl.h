// The farm's state shared by its public functions and its event loop.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

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

struct ServersRequest;

namespace farm_detail {

using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kWakeKey = ~0ull;
constexpr std::uint64_t kTimerKey = ~0ull - 1;
constexpr std::uint64_t kMasterKey = ~0ull - 2;  // master id's key is kMasterKey - id
constexpr std::uint64_t kLastMasterKey = kMasterKey - 1000000;

// A peer of either family.
struct Peer {
  sockaddr_storage address{};
  socklen_t length = 0;
  const sockaddr* Sockaddr() const { return reinterpret_cast<const sockaddr*>(&address); }
  // Its address without the port: what per-address limits are keyed by.
  std::string Host() const;
};

struct Pending {
  Clock::time_point due;
  std::uint64_t seq = 0;
  int serverId = 0;
  int masterId = -1;  // >= 0: a master's reply, serverId unused
  Peer to;
  std::vector<std::string> datagrams;
  bool countsInFlight = false;
  bool fromStray = false;               // datagrams leave from stray socket 0
  std::vector<std::string> strayFirst;  // sent from stray socket 1 before them
  std::chrono::system_clock::time_point requestArrived;
  std::string request;  // its first bytes, for the stats' log
};

struct Later {
  bool operator()(const Pending& a, const Pending& b) const {
    return a.due != b.due ? a.due > b.due : a.seq > b.seq;
  }
};

struct Server {
  int fd = -1;
  std::uint16_t port = 0;
  Family family = Family::kIpv4;
  ServerConfig config;
  std::mt19937 rng;
  ServerStats stats;
  std::map<std::string, LeakyBucket> perAddress;  // keyed by Peer::Host
  LeakyBucket outbound;
  LeakyBucket badRcon;
};

// dpmaster's count of one client's recent requests.
struct FloodCount {
  int count = 0;
  std::int64_t lastMs = 0;
};

struct Master {
  int fd = -1;  // -1: master 0 before OpenMaster
  std::uint16_t port = 0;
  Family family = Family::kIpv4;
  MasterConfig config;
  MasterStats stats;
  std::map<std::string, FloodCount> flood;  // keyed by Peer::Host
};

int BindLoopback(std::uint16_t port, Family family = Family::kIpv4);
std::uint16_t LocalPort(int fd);
std::string AddressText(Family family, std::uint16_t port);

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
  // Index = id; masters[0] always there, its socket opened by OpenMaster.
  std::vector<std::unique_ptr<farm_detail::Master>> masters;
  // Sockets that belong to no server, by family: hostile replies come from them.
  // Bound on first use.
  int strayFds[2][2] = {{-1, -1}, {-1, -1}};
  std::uint16_t strayPorts[2][2] = {{0, 0}, {0, 0}};
  double dropFraction = 0.0;
  std::mt19937 dropRng;
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
  farm_detail::Master* FindMaster(int id) {
    if (id < 0 || id >= static_cast<int>(masters.size())) return nullptr;
    return masters[static_cast<std::size_t>(id)].get();
  }
  // `use` on server `id` under the lock, or `missing` when there is no such server.
  template <typename R, typename F>
  R WithServer(int id, R missing, F use) {
    std::lock_guard lock(mutex);
    Server* s = Find(id);
    return s ? R(use(*s)) : missing;
  }
  template <typename R, typename F>
  R WithMaster(int id, R missing, F use) {
    std::lock_guard lock(mutex);
    farm_detail::Master* m = FindMaster(id);
    return m ? R(use(*m)) : missing;
  }
  // Binds the socket of a new server or master, has the loop watch it under keyOf(id)
  // and appends it: its id, or -1 when it cannot be bound or watched, or id > maxId.
  template <class Record>
  int AddWatched(std::vector<std::unique_ptr<Record>>& records, std::unique_ptr<Record> record,
                 std::uint16_t port, std::uint64_t (*keyOf)(int id), int maxId);
  // Whether SetDrop loses the next datagram; caller holds the mutex.
  bool Dropped();
  int StrayFd(int which, Family family);  // caller holds the mutex
  void Deliver(Server& s, const Pending& p);
  void Loop();
  void ReadServer(int id);
  void ReadMaster(int id);
  void Schedule(Pending p);
  void Fire();
  void ArmTimer();
  void HandleRequest(Server& s, int id, const farm_detail::Peer& from, std::string_view data,
                     Clock::time_point now, std::chrono::system_clock::time_point arrived);
  void HandleMaster(farm_detail::Master& m, int id, const farm_detail::Peer& from,
                    std::string_view data, Clock::time_point now);
  // What master `config` lists in answer to the request.
  std::vector<MasterEntry> MasterListing(const MasterConfig& config, const ServersRequest& request);
  // True when dpmaster's flood protection drops the request.
  bool Flooded(farm_detail::Master& m, const farm_detail::Peer& from);
};

}  // namespace q3sim
