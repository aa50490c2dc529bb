// Shared by the benchmarks: the loopback farm served from a child process, so
// its event loop never competes with the measured process for a lock or a
// core's time slice, and a few /proc readings.
#pragma once

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Farm.h"
#include "Generator.h"

namespace bench {

// A field of /proc/self/status ("Threads", "VmHWM" in kB...), or -1.
inline long StatusField(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
  }
  return -1;
}

// Thousands of sockets at once need more than the usual 1024 descriptors.
inline void RaiseFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

// Moves all `size` bytes through `io` (read or write), or fails.
template <typename Io, typename Bytes>
inline bool TransferAll(Io io, int fd, Bytes* bytes, size_t size) {
  while (size > 0) {
    ssize_t n = io(fd, bytes, size);
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

inline bool WriteAll(int fd, const void* data, size_t size) {
  return TransferAll(write, fd, static_cast<const char*>(data), size);
}

inline bool ReadAll(int fd, void* data, size_t size) {
  return TransferAll(read, fd, static_cast<char*>(data), size);
}

// The moments of a server's last reply, on the clock the system stamps
// datagrams with; both at the clock's epoch when it has not replied yet.
struct ReplyMoments {
  std::chrono::system_clock::time_point requestArrived;
  std::chrono::system_clock::time_point sent;
};

// The servers of `configs` served on 127.0.0.1 by a child process until this
// object goes (or the parent dies), losing datagrams as Farm::SetDrop(drop, dropSeed) does.
class ForkedFarm {
 public:
  explicit ForkedFarm(const std::vector<q3sim::ServerConfig>& configs, double drop = 0,
                      std::uint32_t dropSeed = 1) {
    int portsPipe[2];
    if (pipe(portsPipe) != 0) return;
    if (pipe(hold_) != 0) {
      close(portsPipe[0]);
      close(portsPipe[1]);
      hold_[0] = hold_[1] = -1;
      return;
    }
    if (pipe(moments_) != 0) {
      for (int fd : {portsPipe[0], portsPipe[1], hold_[0], hold_[1]}) close(fd);
      hold_[0] = hold_[1] = moments_[0] = moments_[1] = -1;
      return;
    }
    child_ = fork();
    if (child_ == 0) {
      close(portsPipe[0]);
      close(hold_[1]);
      close(moments_[0]);
      Serve(configs, drop, dropSeed, portsPipe[1], hold_[0], moments_[1]);
    }
    close(portsPipe[1]);
    close(hold_[0]);
    hold_[0] = -1;
    close(moments_[1]);
    moments_[1] = -1;
    std::vector<std::uint16_t> ports(configs.size());
    if (child_ > 0 && ReadAll(portsPipe[0], ports.data(), ports.size() * sizeof(ports[0])) &&
        std::count(ports.begin(), ports.end(), 0) == 0)
      ports_ = std::move(ports);
    close(portsPipe[0]);
  }
  ~ForkedFarm() {
    if (hold_[1] >= 0) close(hold_[1]);
    if (moments_[0] >= 0) close(moments_[0]);
    if (child_ > 0) waitpid(child_, nullptr, 0);
  }
  ForkedFarm(const ForkedFarm&) = delete;
  ForkedFarm& operator=(const ForkedFarm&) = delete;

  // Every server's port, in the order of the configurations; empty when the
  // farm could not start.
  const std::vector<std::uint16_t>& Ports() const { return ports_; }
  // Every server's last reply, in the order of the configurations; empty when
  // the farm cannot tell.
  std::vector<ReplyMoments> LastReplies() {
    const char ask = 'm';
    std::vector<std::int64_t> ns(ports_.size() * 2);
    if (ports_.empty() || !WriteAll(hold_[1], &ask, 1) ||
        !ReadAll(moments_[0], ns.data(), ns.size() * sizeof(ns[0])))
      return {};
    std::vector<ReplyMoments> replies(ports_.size());
    for (std::size_t i = 0; i < replies.size(); ++i) {
      replies[i].requestArrived = FromNs(ns[2 * i]);
      replies[i].sent = FromNs(ns[2 * i + 1]);
    }
    return replies;
  }
  // For a process forked from this one: lets go of the farm's lifeline.
  void ReleaseInChild() {
    if (hold_[1] >= 0) close(hold_[1]);
    if (moments_[0] >= 0) close(moments_[0]);
    hold_[1] = moments_[0] = -1;
    child_ = -1;
  }

 private:
  static std::int64_t ToNs(std::chrono::system_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
  }
  static std::chrono::system_clock::time_point FromNs(std::int64_t ns) {
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::nanoseconds(ns)));
  }

  // Serves until the lifeline closes; each byte on it asks for the moments.
  [[noreturn]] static void Serve(const std::vector<q3sim::ServerConfig>& configs, double drop,
                                 std::uint32_t dropSeed, int portsOut, int hold, int momentsOut) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    q3sim::Farm farm;
    farm.SetDrop(drop, dropSeed);
    std::vector<int> ids = q3sim::AddServers(farm, configs);
    std::vector<std::uint16_t> ports;
    for (int id : ids) ports.push_back(farm.Port(id));
    ports.resize(configs.size(), 0);
    if (!farm.Start()) ports.assign(configs.size(), 0);
    WriteAll(portsOut, ports.data(), ports.size() * sizeof(ports[0]));
    close(portsOut);
    char byte;
    while (read(hold, &byte, 1) > 0) {
      std::vector<std::int64_t> ns;
      for (int id : ids) {
        const q3sim::ServerStats stats = farm.Stats(id);
        ns.push_back(ToNs(stats.lastRepliedRequestArrived));
        ns.push_back(ToNs(stats.lastReplySent));
      }
      ns.resize(configs.size() * 2, 0);
      WriteAll(momentsOut, ns.data(), ns.size() * sizeof(ns[0]));
    }
    farm.Stop();
    _exit(0);
  }

  int hold_[2] = {-1, -1};
  int moments_[2] = {-1, -1};
  pid_t child_ = -1;
  std::vector<std::uint16_t> ports_;
};

}  // namespace bench
