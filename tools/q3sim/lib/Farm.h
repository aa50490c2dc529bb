// Any number of virtual Quake III servers and masters on 127.0.0.1 and [::1],
// served by one epoll thread. Every public function is thread-safe.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Family.h"
#include "MasterConfig.h"
#include "ServerConfig.h"

namespace q3sim {

// One reply that left, on the clock the system stamps datagrams with.
struct ReplyMoment {
  std::string request;  // the request's bytes (at most kLoggedBytes)
  std::chrono::system_clock::time_point requestArrived;
  std::chrono::system_clock::time_point replySent;  // when its first datagram left
};

struct ServerStats {
  static constexpr std::size_t kRecentReplies = 16;
  static constexpr std::size_t kLoggedBytes = 1024;

  std::uint64_t requests = 0;  // datagrams received, answered or not
  // Replies sent (a multi-datagram reply counts once) of which SetDrop lost not
  // every datagram.
  std::uint64_t replies = 0;
  std::string lastRequest;  // bytes of the last datagram received
  // Of the last reply counted in replies: when its request reached the server,
  // and when its first datagram left.
  std::chrono::system_clock::time_point lastRepliedRequestArrived;
  std::chrono::system_clock::time_point lastReplySent;
  // The last kRecentReplies of them, oldest first.
  std::vector<ReplyMoment> recentReplies;
  // Lost to SetDrop: requests (never counted in requests), reply datagrams, and
  // replies of which every datagram was lost.
  std::uint64_t requestsDropped = 0;
  std::uint64_t datagramsDropped = 0;
  std::uint64_t repliesDropped = 0;
};

struct MasterStats {
  static constexpr std::size_t kRecentRequests = 32;
  static constexpr std::size_t kLoggedBytes = 1024;

  std::uint64_t requests = 0;  // datagrams received, answered or not
  std::uint64_t replies = 0;
  std::string lastRequest;
  std::uint64_t getservers = 0;  // requests of each kind, answered or not
  std::uint64_t getserversExt = 0;
  std::uint64_t floodDropped = 0;  // requests flood protection left unanswered
  // The last kRecentRequests requests received (at most kLoggedBytes each), oldest first.
  std::vector<std::string> recentRequests;
};

class Farm {
 public:
  Farm();
  ~Farm();  // stops the thread and closes every socket
  Farm(const Farm&) = delete;
  Farm& operator=(const Farm&) = delete;

  // Starts the event-loop thread. False when it cannot (no epoll, already running).
  bool Start();
  // Stops and joins the thread; replies not yet sent are dropped.
  void Stop();
  bool Running() const;

  // Binds a server to 127.0.0.1:port or [::1]:port (0: a free port chosen by the
  // system) and returns its id (0, 1, 2... in order of adding), or -1 when the
  // port cannot be bound. Servers may be added before or after Start.
  int AddServer(const ServerConfig& config, std::uint16_t port = 0, Family family = Family::kIpv4);
  // Whether [::1] can be bound here; without it IPv6 servers and masters fail to add.
  bool HasIpv6() const;
  // Closes the server's socket; its id is not reused. False for an unknown id.
  bool RemoveServer(int id);
  int ServerCount() const;  // ids handed out so far, removed ones included

  std::uint16_t Port(int id) const;  // 0 for an unknown id
  // "127.0.0.1:port" or "[::1]:port", empty for an unknown id.
  std::string Address(int id) const;

  ServerConfig Config(int id) const;  // a copy; default for an unknown id
  bool SetConfig(int id, const ServerConfig& config);
  // Changes the configuration in place under the farm's lock.
  bool Modify(int id, const std::function<void(ServerConfig&)>& change);

  ServerStats Stats(int id) const;

  // Every request datagram reaching a server and every datagram a server sends
  // is lost with this probability, each drawn apart from a generator of this
  // seed. 0 (the default) loses nothing. Masters lose nothing.
  void SetDrop(double fraction, std::uint32_t seed = 1);

  // Master 0: binds it to 127.0.0.1:port (0: a free port). Returns the port, 0 on
  // failure. Its configuration may be set before it is opened.
  std::uint16_t OpenMaster(std::uint16_t port = 0);
  std::uint16_t MasterPort() const { return MasterPort(0); }
  MasterConfig GetMasterConfig() const { return GetMasterConfig(0); }
  void SetMasterConfig(const MasterConfig& config) { SetMasterConfig(0, config); }
  MasterStats GetMasterStats() const { return GetMasterStats(0); }

  // Masters 1, 2...: binds one to 127.0.0.1:port or [::1]:port and returns its
  // id, or -1 when the port cannot be bound.
  int AddMaster(const MasterConfig& config, std::uint16_t port = 0, Family family = Family::kIpv4);
  // Of master id, 0 included; 0, "", a default config or false for an unknown id.
  std::uint16_t MasterPort(int id) const;
  std::string MasterAddress(int id) const;  // like Address
  MasterConfig GetMasterConfig(int id) const;
  bool SetMasterConfig(int id, const MasterConfig& config);
  MasterStats GetMasterStats(int id) const;

  // Port of stray socket 0 (replies of replyFromOtherPort servers) or 1 (their
  // strayBeforeReply garbage) of that family; 0 until a reply has needed it.
  std::uint16_t StrayPort(int which, Family family = Family::kIpv4) const;

  // Game-server exchanges whose request has arrived and whose reply is not yet
  // sent (silent and rate-limited requests never count), now and at most so far.
  int InFlight() const;
  int MaxInFlight() const;
  std::uint64_t TotalRequests() const;  // over all servers
  // Zeroes every count and log of servers and masters, and the in-flight maximum.
  void ResetCounters();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace q3sim
