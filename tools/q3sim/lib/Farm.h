// Any number of virtual Quake III servers and one master on 127.0.0.1, served by
// one epoll thread. Every public function is thread-safe.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "MasterConfig.h"
#include "ServerConfig.h"

namespace q3sim {

struct ServerStats {
  std::uint64_t requests = 0;  // datagrams received, answered or not
  std::uint64_t replies = 0;   // replies sent (a multi-datagram reply counts once)
  std::string lastRequest;     // bytes of the last datagram received
  // Of the last reply sent, on the clock the system stamps datagrams with: when
  // its request reached the server, and when its first datagram left.
  std::chrono::system_clock::time_point lastRepliedRequestArrived;
  std::chrono::system_clock::time_point lastReplySent;
};

struct MasterStats {
  std::uint64_t requests = 0;
  std::uint64_t replies = 0;
  std::string lastRequest;
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

  // Binds a server to 127.0.0.1:port (0: a free port chosen by the system) and
  // returns its id (0, 1, 2... in order of adding), or -1 when the port cannot be
  // bound. Servers may be added before or after Start.
  int AddServer(const ServerConfig& config, std::uint16_t port = 0);
  // Closes the server's socket; its id is not reused. False for an unknown id.
  bool RemoveServer(int id);
  int ServerCount() const;  // ids handed out so far, removed ones included

  std::uint16_t Port(int id) const;   // 0 for an unknown id
  std::string Address(int id) const;  // "127.0.0.1:port", empty for an unknown id

  ServerConfig Config(int id) const;  // a copy; default for an unknown id
  bool SetConfig(int id, const ServerConfig& config);
  // Changes the configuration in place under the farm's lock.
  bool Modify(int id, const std::function<void(ServerConfig&)>& change);

  ServerStats Stats(int id) const;

  // Binds the master to 127.0.0.1:port (0: a free port). Returns the port, 0 on failure.
  std::uint16_t OpenMaster(std::uint16_t port = 0);
  std::uint16_t MasterPort() const;
  MasterConfig GetMasterConfig() const;
  void SetMasterConfig(const MasterConfig& config);
  MasterStats GetMasterStats() const;

  // Port of stray socket 0 (replies of replyFromOtherPort servers) or 1 (their
  // strayBeforeReply garbage); 0 until a reply has needed it.
  std::uint16_t StrayPort(int which) const;

  // Game-server exchanges whose request has arrived and whose reply is not yet
  // sent (silent and rate-limited requests never count), now and at most so far.
  int InFlight() const;
  int MaxInFlight() const;
  std::uint64_t TotalRequests() const;  // over all servers
  // Zeroes every request/reply count, last request, and the in-flight maximum.
  void ResetCounters();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace q3sim
