#include "Farm.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <queue>
#include <random>
#include <thread>
#include <vector>

#include "LeakyBucket.h"
#include "Replies.h"

namespace q3sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kWakeKey = ~0ull;
constexpr std::uint64_t kTimerKey = ~0ull - 1;
constexpr std::uint64_t kMasterKey = ~0ull - 2;
constexpr int kMasterId = -1;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

// A UDP socket on 127.0.0.1:port, non-blocking. When descriptors run out the soft
// limit is raised to the hard one once and the call retried.
int BindLoopback(std::uint16_t port) {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0 && (errno == EMFILE || errno == ENFILE)) {
    rlimit lim{};
    if (getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < lim.rlim_max) {
      lim.rlim_cur = lim.rlim_max;
      setrlimit(RLIMIT_NOFILE, &lim);
    }
    fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  }
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::uint16_t LocalPort(int fd) {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
  return ntohs(addr.sin_port);
}

// Sends the datagrams back to back in one call so a reader sees them queued together.
void SendAll(int fd, const sockaddr_in& to, const std::vector<std::string>& datagrams) {
  std::vector<mmsghdr> msgs(datagrams.size());
  std::vector<iovec> iov(datagrams.size());
  for (std::size_t i = 0; i < datagrams.size(); ++i) {
    iov[i].iov_base = const_cast<char*>(datagrams[i].data());
    iov[i].iov_len = datagrams[i].size();
    msgs[i] = {};
    msgs[i].msg_hdr.msg_name = const_cast<sockaddr_in*>(&to);
    msgs[i].msg_hdr.msg_namelen = sizeof to;
    msgs[i].msg_hdr.msg_iov = &iov[i];
    msgs[i].msg_hdr.msg_iovlen = 1;
  }
  std::size_t done = 0;
  while (done < msgs.size()) {
    int n = sendmmsg(fd, msgs.data() + done, static_cast<unsigned>(msgs.size() - done), 0);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      break;  // a full socket buffer loses the rest, as UDP would
    }
    done += static_cast<std::size_t>(n);
  }
}

struct Pending {
  Clock::time_point due;
  std::uint64_t seq = 0;
  int serverId = 0;  // kMasterId for the master
  sockaddr_in to{};
  std::vector<std::string> datagrams;
  bool countsInFlight = false;
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

}  // namespace

struct Farm::Impl {
  mutable std::mutex mutex;
  std::vector<std::unique_ptr<Server>> servers;  // index = id; null once removed
  int epollFd = -1;
  int wakeFd = -1;
  int timerFd = -1;
  int masterFd = -1;
  std::uint16_t masterPort = 0;
  MasterConfig master;
  MasterStats masterStats;
  int inFlight = 0;
  int maxInFlight = 0;
  std::uint64_t totalRequests = 0;
  std::thread thread;
  bool stopping = false;

  // Loop-thread only.
  std::priority_queue<Pending, std::vector<Pending>, Later> queue;
  std::uint64_t seq = 0;
  std::vector<char> buffer = std::vector<char>(65536);

  Server* Find(int id) {
    if (id < 0 || id >= static_cast<int>(servers.size())) return nullptr;
    return servers[static_cast<std::size_t>(id)].get();
  }
  void Loop();
  void ReadServer(int id);
  void ReadMaster();
  void Schedule(Pending p);
  void Fire();
  void ArmTimer();
  void HandleRequest(Server& s, int id, const sockaddr_in& from, std::string_view data,
                     Clock::time_point now);
  void HandleMaster(const sockaddr_in& from, std::string_view data, Clock::time_point now);
};

Farm::Farm() : impl_(std::make_unique<Impl>()) {
  impl_->epollFd = epoll_create1(EPOLL_CLOEXEC);
  impl_->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  impl_->timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (impl_->epollFd >= 0) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = kWakeKey;
    if (impl_->wakeFd >= 0) epoll_ctl(impl_->epollFd, EPOLL_CTL_ADD, impl_->wakeFd, &ev);
    ev.data.u64 = kTimerKey;
    if (impl_->timerFd >= 0) epoll_ctl(impl_->epollFd, EPOLL_CTL_ADD, impl_->timerFd, &ev);
  }
}

Farm::~Farm() {
  Stop();
  for (auto& s : impl_->servers) {
    if (s && s->fd >= 0) close(s->fd);
  }
  for (int fd : {impl_->masterFd, impl_->timerFd, impl_->wakeFd, impl_->epollFd}) {
    if (fd >= 0) close(fd);
  }
}

bool Farm::Start() {
  std::lock_guard lock(impl_->mutex);
  if (impl_->thread.joinable() || impl_->epollFd < 0 || impl_->wakeFd < 0 || impl_->timerFd < 0)
    return false;
  impl_->stopping = false;
  impl_->thread = std::thread([this] { impl_->Loop(); });
  return true;
}

void Farm::Stop() {
  {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->thread.joinable()) return;
    impl_->stopping = true;
  }
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(impl_->wakeFd, &one, sizeof one);
  impl_->thread.join();
  std::lock_guard lock(impl_->mutex);
  impl_->queue = {};
  impl_->inFlight = 0;
}

bool Farm::Running() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->thread.joinable() && !impl_->stopping;
}

int Farm::AddServer(const ServerConfig& config, std::uint16_t port) {
  int fd = BindLoopback(port);
  if (fd < 0) return -1;
  auto s = std::make_unique<Server>();
  s->fd = fd;
  s->port = LocalPort(fd);
  s->config = config;
  s->rng.seed(config.latencySeed);
  std::lock_guard lock(impl_->mutex);
  int id = static_cast<int>(impl_->servers.size());
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = static_cast<std::uint64_t>(id);
  if (epoll_ctl(impl_->epollFd, EPOLL_CTL_ADD, fd, &ev) != 0) {
    close(fd);
    return -1;
  }
  impl_->servers.push_back(std::move(s));
  return id;
}

bool Farm::RemoveServer(int id) {
  std::lock_guard lock(impl_->mutex);
  if (id < 0 || id >= static_cast<int>(impl_->servers.size()) || !impl_->servers[id]) return false;
  epoll_ctl(impl_->epollFd, EPOLL_CTL_DEL, impl_->servers[id]->fd, nullptr);
  close(impl_->servers[id]->fd);
  impl_->servers[id].reset();
  return true;
}

int Farm::ServerCount() const {
  std::lock_guard lock(impl_->mutex);
  return static_cast<int>(impl_->servers.size());
}

std::uint16_t Farm::Port(int id) const {
  std::lock_guard lock(impl_->mutex);
  Server* found = impl_->Find(id);
  if (!found) return 0;
  Server& s = *found;
  return s.port;
}

std::string Farm::Address(int id) const {
  std::lock_guard lock(impl_->mutex);
  Server* found = impl_->Find(id);
  if (!found) return std::string();
  Server& s = *found;
  return "127.0.0.1:" + std::to_string(s.port);
}

ServerConfig Farm::Config(int id) const {
  std::lock_guard lock(impl_->mutex);
  Server* found = impl_->Find(id);
  if (!found) return ServerConfig();
  Server& s = *found;
  return s.config;
}

bool Farm::SetConfig(int id, const ServerConfig& config) {
  std::lock_guard lock(impl_->mutex);
  Server* found = impl_->Find(id);
  if (!found) return false;
  Server& s = *found;
  s.config = config;
  s.rng.seed(config.latencySeed);
  return true;
}

bool Farm::Modify(int id, const std::function<void(ServerConfig&)>& change) {
  std::lock_guard lock(impl_->mutex);
  Server* found = impl_->Find(id);
  if (!found) return false;
  Server& s = *found;
  std::uint32_t seed = s.config.latencySeed;
  change(s.config);
  if (s.config.latencySeed != seed) s.rng.seed(s.config.latencySeed);
  return true;
}

ServerStats Farm::Stats(int id) const {
  std::lock_guard lock(impl_->mutex);
  Server* found = impl_->Find(id);
  if (!found) return ServerStats();
  Server& s = *found;
  return s.stats;
}

std::uint16_t Farm::OpenMaster(std::uint16_t port) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->masterFd >= 0) return impl_->masterPort;
  int fd = BindLoopback(port);
  if (fd < 0) return 0;
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = kMasterKey;
  if (epoll_ctl(impl_->epollFd, EPOLL_CTL_ADD, fd, &ev) != 0) {
    close(fd);
    return 0;
  }
  impl_->masterFd = fd;
  impl_->masterPort = LocalPort(fd);
  return impl_->masterPort;
}

std::uint16_t Farm::MasterPort() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->masterPort;
}

MasterConfig Farm::GetMasterConfig() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->master;
}

void Farm::SetMasterConfig(const MasterConfig& config) {
  std::lock_guard lock(impl_->mutex);
  impl_->master = config;
}

MasterStats Farm::GetMasterStats() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->masterStats;
}

int Farm::InFlight() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->inFlight;
}

int Farm::MaxInFlight() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->maxInFlight;
}

std::uint64_t Farm::TotalRequests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->totalRequests;
}

void Farm::ResetCounters() {
  std::lock_guard lock(impl_->mutex);
  for (auto& s : impl_->servers) {
    if (s) s->stats = {};
  }
  impl_->masterStats = {};
  impl_->totalRequests = 0;
  impl_->maxInFlight = impl_->inFlight;
}

// ---- event loop ----

void Farm::Impl::Loop() {
  epoll_event events[256];
  while (true) {
    int n = epoll_wait(epollFd, events, 256, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    for (int i = 0; i < n; ++i) {
      std::uint64_t key = events[i].data.u64;
      if (key == kWakeKey) {
        std::uint64_t v;
        [[maybe_unused]] ssize_t r = read(wakeFd, &v, sizeof v);
        std::lock_guard lock(mutex);
        if (stopping) return;
      } else if (key == kTimerKey) {
        std::uint64_t v;
        [[maybe_unused]] ssize_t r = read(timerFd, &v, sizeof v);
        Fire();
      } else if (key == kMasterKey) {
        ReadMaster();
      } else {
        ReadServer(static_cast<int>(key));
      }
    }
  }
}

void Farm::Impl::ReadServer(int id) {
  // A bounded batch per wake-up keeps one busy server from starving the others.
  for (int batch = 0; batch < 64; ++batch) {
    std::lock_guard lock(mutex);
    if (id < 0 || id >= static_cast<int>(servers.size()) || !servers[id]) return;
    Server& s = *servers[id];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t got =
        recvfrom(s.fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (got < 0) return;
    HandleRequest(s, id, from, std::string_view(buffer.data(), static_cast<std::size_t>(got)),
                  Clock::now());
  }
}

void Farm::Impl::HandleRequest(Server& s, int id, const sockaddr_in& from, std::string_view data,
                               Clock::time_point now) {
  ++s.stats.requests;
  ++totalRequests;
  s.stats.lastRequest.assign(data);
  const ServerConfig& c = s.config;
  if (c.silent) return;

  Request req = ParseRequest(data);
  if (!req.outOfBand || req.args.empty()) return;
  const std::string cmd = [&] {
    std::string w = req.args[0];
    for (char& ch : w) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return w;
  }();
  enum { kStatus, kInfo, kRcon } kind;
  if (cmd == "getstatus")
    kind = kStatus;
  else if (cmd == "getinfo")
    kind = kInfo;
  else if (cmd == "rcon")
    kind = kRcon;
  else
    return;  // connect, getchallenge and the rest are not simulated

  if (c.rateLimit) {
    std::int64_t ms = NowMs();
    if (s.perAddress[from.sin_addr.s_addr].Limit(ms, 10, 1000)) return;
    if (kind != kRcon && s.outbound.Limit(ms, 10, 100)) return;
    if (kind == kRcon && (c.rconPassword.empty() || req.Arg(1) != c.rconPassword) &&
        s.badRcon.Limit(ms, 10, 1000))
      return;
  }
  if (kind != kRcon && req.Arg(1).size() > 128) return;  // ioquake3 refuses long challenges

  std::vector<std::string> datagrams;
  if (c.rawReply) {
    datagrams = *c.rawReply;
  } else {
    std::vector<std::string> whole;
    if (kind == kStatus)
      whole.push_back(StatusResponse(c, req.Arg(1)));
    else if (kind == kInfo)
      whole.push_back(InfoResponse(c, req.Arg(1)));
    else
      whole = RconResponse(c, req);
    for (const std::string& d : whole) {
      if (c.splitInto > 1) {
        for (std::string& piece : SplitDatagram(d, c.splitInto, c.splitRepeatsHeader))
          datagrams.push_back(std::move(piece));
      } else {
        datagrams.push_back(d);
      }
    }
  }

  int lo = std::max(0, std::min(c.latencyMinMs, c.latencyMaxMs));
  int hi = std::max(0, std::max(c.latencyMinMs, c.latencyMaxMs));
  int delay = lo == hi ? lo : std::uniform_int_distribution<int>(lo, hi)(s.rng);

  ++inFlight;
  maxInFlight = std::max(maxInFlight, inFlight);
  Pending p;
  p.due = now + std::chrono::milliseconds(delay);
  p.serverId = id;
  p.to = from;
  p.datagrams = std::move(datagrams);
  p.countsInFlight = true;
  if (delay == 0) {
    SendAll(s.fd, from, p.datagrams);
    ++s.stats.replies;
    --inFlight;
    return;
  }
  Schedule(std::move(p));
}

void Farm::Impl::ReadMaster() {
  for (int batch = 0; batch < 64; ++batch) {
    std::lock_guard lock(mutex);
    if (masterFd < 0) return;
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t got = recvfrom(masterFd, buffer.data(), buffer.size(), 0,
                           reinterpret_cast<sockaddr*>(&from), &len);
    if (got < 0) return;
    HandleMaster(from, std::string_view(buffer.data(), static_cast<std::size_t>(got)),
                 Clock::now());
  }
}

void Farm::Impl::HandleMaster(const sockaddr_in& from, std::string_view data,
                              Clock::time_point now) {
  ++masterStats.requests;
  masterStats.lastRequest.assign(data);
  if (master.silent) return;
  Request req = ParseRequest(data);
  if (!req.outOfBand || req.args.size() < 2) return;
  std::string cmd = req.args[0];
  for (char& ch : cmd) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (cmd != "getservers") return;

  bool wantEmpty = false, wantFull = false;
  for (std::size_t i = 2; i < req.args.size(); ++i) {
    wantEmpty |= req.args[i] == "empty";
    wantFull |= req.args[i] == "full";
  }
  const std::string& protocol = req.args[1];
  std::vector<MasterEntry> entries;
  if (master.listFarm) {
    for (const auto& s : servers) {
      if (!s || s->config.Info("protocol") != protocol) continue;
      if (master.honourKeywords) {
        int players = static_cast<int>(s->config.players.size());
        int maxClients = std::atoi(s->config.Info("sv_maxclients").c_str());
        if (players == 0 && !wantEmpty) continue;
        if (players >= maxClients && !wantFull) continue;
      }
      entries.push_back(MasterEntry{{127, 0, 0, 1}, s->port});
    }
  }
  entries.insert(entries.end(), master.extraEntries.begin(), master.extraEntries.end());

  Pending p;
  p.due = now + std::chrono::milliseconds(std::max(0, master.delayMs));
  p.serverId = kMasterId;
  p.to = from;
  p.datagrams = MasterResponse(entries);
  if (master.delayMs <= 0) {
    SendAll(masterFd, from, p.datagrams);
    ++masterStats.replies;
    return;
  }
  Schedule(std::move(p));
}

void Farm::Impl::Schedule(Pending p) {
  p.seq = ++seq;
  bool earliest = queue.empty() || p.due < queue.top().due;
  queue.push(std::move(p));
  if (earliest) ArmTimer();
}

void Farm::Impl::ArmTimer() {
  itimerspec spec{};
  if (!queue.empty()) {
    auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(queue.top().due.time_since_epoch())
            .count();
    if (ns <= 0) ns = 1;  // zero would disarm
    spec.it_value.tv_sec = static_cast<time_t>(ns / 1000000000);
    spec.it_value.tv_nsec = static_cast<long>(ns % 1000000000);
  }
  timerfd_settime(timerFd, TFD_TIMER_ABSTIME, &spec, nullptr);
}

void Farm::Impl::Fire() {
  std::lock_guard lock(mutex);
  Clock::time_point now = Clock::now();
  while (!queue.empty() && queue.top().due <= now) {
    const Pending& p = queue.top();
    if (p.serverId == kMasterId) {
      if (masterFd >= 0) {
        SendAll(masterFd, p.to, p.datagrams);
        ++masterStats.replies;
      }
    } else {
      if (p.serverId < static_cast<int>(servers.size()) && servers[p.serverId]) {
        Server& s = *servers[p.serverId];
        SendAll(s.fd, p.to, p.datagrams);
        ++s.stats.replies;
      }
      if (p.countsInFlight) --inFlight;
    }
    queue.pop();
  }
  ArmTimer();
}

}  // namespace q3sim
