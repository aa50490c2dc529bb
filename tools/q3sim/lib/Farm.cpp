#include "Farm.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "FarmImpl.h"

namespace q3sim {

using namespace farm_detail;

namespace farm_detail {

// A UDP socket on 127.0.0.1:port or [::1]:port, non-blocking. When descriptors run
// out the soft limit is raised to the hard one once and the call retried.
int BindLoopback(std::uint16_t port, Family family) {
  const int domain = family == Family::kIpv6 ? AF_INET6 : AF_INET;
  int fd = socket(domain, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0 && (errno == EMFILE || errno == ENFILE)) {
    rlimit lim{};
    if (getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < lim.rlim_max) {
      lim.rlim_cur = lim.rlim_max;
      setrlimit(RLIMIT_NOFILE, &lim);
    }
    fd = socket(domain, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  }
  if (fd < 0) return -1;
  // Room for a flood or a reply of many datagrams sent back to back.
  int sendBuffer = 1 << 20;
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
  // Requests carry the moment they arrived, so a reply's true delay is known.
  int stamp = 1;
  setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &stamp, sizeof stamp);
  int bound = -1;
  if (family == Family::kIpv6) {
    // Its port number stays free on 127.0.0.1, as on a dual-stack server.
    int only = 1;
    setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof only);
    sockaddr_in6 addr{};
    addr.sin6_family = AF_INET6;
    addr.sin6_port = htons(port);
    addr.sin6_addr = in6addr_loopback;
    bound = bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  } else {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bound = bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  }
  if (bound != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::uint16_t LocalPort(int fd) {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
  if (addr.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port);
  return ntohs(reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
}

std::string AddressText(Family family, std::uint16_t port) {
  return (family == Family::kIpv6 ? "[::1]:" : "127.0.0.1:") + std::to_string(port);
}

std::string Peer::Host() const {
  if (address.ss_family == AF_INET6) {
    const auto& a = reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
    return std::string(1, '6') + std::string(reinterpret_cast<const char*>(&a), sizeof a);
  }
  const auto& a = reinterpret_cast<const sockaddr_in&>(address).sin_addr;
  return std::string(1, '4') + std::string(reinterpret_cast<const char*>(&a), sizeof a);
}

}  // namespace farm_detail

namespace {

// What the loop knows each socket by.
std::uint64_t ServerKey(int id) {
  return static_cast<std::uint64_t>(id);
}
std::uint64_t MasterKey(int id) {
  return kMasterKey - static_cast<std::uint64_t>(id);
}

}  // namespace

Farm::Farm() : impl_(std::make_unique<Impl>()) {
  impl_->masters.push_back(std::make_unique<Master>());
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
  for (auto& m : impl_->masters) {
    if (m->fd >= 0) close(m->fd);
  }
  for (auto& family : impl_->strayFds) {
    for (int fd : family) {
      if (fd >= 0) close(fd);
    }
  }
  for (int fd : {impl_->timerFd, impl_->wakeFd, impl_->epollFd}) {
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

template <class Record>
int Farm::Impl::AddWatched(std::vector<std::unique_ptr<Record>>& records,
                           std::unique_ptr<Record> record, std::uint16_t port,
                           std::uint64_t (*keyOf)(int id), int maxId) {
  int fd = BindLoopback(port, record->family);
  if (fd < 0) return -1;
  record->fd = fd;
  record->port = LocalPort(fd);
  std::lock_guard lock(mutex);
  const int id = static_cast<int>(records.size());
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = keyOf(id);
  if (id > maxId || epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &ev) != 0) {
    close(fd);
    return -1;
  }
  records.push_back(std::move(record));
  return id;
}

int Farm::AddServer(const ServerConfig& config, std::uint16_t port, Family family) {
  auto s = std::make_unique<Server>();
  s->family = family;
  s->config = config;
  s->rng.seed(config.latencySeed);
  return impl_->AddWatched(impl_->servers, std::move(s), port, ServerKey,
                           std::numeric_limits<int>::max());
}

bool Farm::HasIpv6() const {
  int fd = BindLoopback(0, Family::kIpv6);
  if (fd < 0) return false;
  close(fd);
  return true;
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
  return impl_->WithServer<std::uint16_t>(id, 0, [](Server& s) { return s.port; });
}

std::string Farm::Address(int id) const {
  return impl_->WithServer(id, std::string(),
                           [](Server& s) { return AddressText(s.family, s.port); });
}

ServerConfig Farm::Config(int id) const {
  return impl_->WithServer(id, ServerConfig(), [](Server& s) { return s.config; });
}

bool Farm::SetConfig(int id, const ServerConfig& config) {
  return impl_->WithServer(id, false, [&](Server& s) {
    s.config = config;
    s.rng.seed(config.latencySeed);
    return true;
  });
}

bool Farm::Modify(int id, const std::function<void(ServerConfig&)>& change) {
  return impl_->WithServer(id, false, [&](Server& s) {
    std::uint32_t seed = s.config.latencySeed;
    change(s.config);
    if (s.config.latencySeed != seed) s.rng.seed(s.config.latencySeed);
    return true;
  });
}

ServerStats Farm::Stats(int id) const {
  return impl_->WithServer(id, ServerStats(), [](Server& s) { return s.stats; });
}

void Farm::SetDrop(double fraction, std::uint32_t seed) {
  std::lock_guard lock(impl_->mutex);
  impl_->dropFraction = fraction;
  impl_->dropRng.seed(seed);
}

std::uint16_t Farm::OpenMaster(std::uint16_t port) {
  std::lock_guard lock(impl_->mutex);
  Master& m = *impl_->masters[0];
  if (m.fd >= 0) return m.port;
  int fd = BindLoopback(port);
  if (fd < 0) return 0;
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = kMasterKey;
  if (epoll_ctl(impl_->epollFd, EPOLL_CTL_ADD, fd, &ev) != 0) {
    close(fd);
    return 0;
  }
  m.fd = fd;
  m.port = LocalPort(fd);
  return m.port;
}

int Farm::AddMaster(const MasterConfig& config, std::uint16_t port, Family family) {
  auto m = std::make_unique<Master>();
  m->family = family;
  m->config = config;
  return impl_->AddWatched(impl_->masters, std::move(m), port, MasterKey,
                           static_cast<int>(kMasterKey - kLastMasterKey));
}

std::uint16_t Farm::MasterPort(int id) const {
  return impl_->WithMaster<std::uint16_t>(id, 0, [](Master& m) { return m.port; });
}

std::string Farm::MasterAddress(int id) const {
  return impl_->WithMaster(id, std::string(), [](Master& m) {
    return m.fd < 0 ? std::string() : AddressText(m.family, m.port);
  });
}

MasterConfig Farm::GetMasterConfig(int id) const {
  return impl_->WithMaster(id, MasterConfig(), [](Master& m) { return m.config; });
}

bool Farm::SetMasterConfig(int id, const MasterConfig& config) {
  return impl_->WithMaster(id, false, [&](Master& m) {
    m.config = config;
    return true;
  });
}

MasterStats Farm::GetMasterStats(int id) const {
  return impl_->WithMaster(id, MasterStats(), [](Master& m) { return m.stats; });
}

std::uint16_t Farm::StrayPort(int which, Family family) const {
  std::lock_guard lock(impl_->mutex);
  return which == 0 || which == 1 ? impl_->strayPorts[static_cast<int>(family)][which] : 0;
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
  for (auto& m : impl_->masters) m->stats = {};
  impl_->totalRequests = 0;
  impl_->maxInFlight = impl_->inFlight;
}

}  // namespace q3sim
