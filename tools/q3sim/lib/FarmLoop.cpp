// The farm's event loop: requests in, replies out when their delay has passed.
#include <arpa/inet.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "FarmImpl.h"
#include "Replies.h"

namespace q3sim {

using namespace farm_detail;

namespace {

constexpr std::array<std::uint8_t, 16> kLoopback6{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

// Sends the datagrams back to back in one call so a reader sees them queued together.
void SendAll(int fd, const Peer& to, const std::vector<std::string>& datagrams) {
  std::vector<mmsghdr> msgs(datagrams.size());
  std::vector<iovec> iov(datagrams.size());
  for (std::size_t i = 0; i < datagrams.size(); ++i) {
    iov[i].iov_base = const_cast<char*>(datagrams[i].data());
    iov[i].iov_len = datagrams[i].size();
    msgs[i] = {};
    msgs[i].msg_hdr.msg_name = const_cast<sockaddr_storage*>(&to.address);
    msgs[i].msg_hdr.msg_namelen = to.length;
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

// recvfrom that also gives the moment the system stamped the datagram with
// (the moment it is read when there is no stamp).
ssize_t RecvStamped(int fd, std::vector<char>& buffer, Peer* from,
                    std::chrono::system_clock::time_point* arrived) {
  iovec area{buffer.data(), buffer.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
  msghdr message{};
  message.msg_name = &from->address;
  message.msg_namelen = sizeof from->address;
  message.msg_iov = &area;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  const ssize_t got = recvmsg(fd, &message, 0);
  from->length = message.msg_namelen;
  *arrived = std::chrono::system_clock::now();
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); got >= 0 && c != nullptr;
       c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
      timespec stamp{};
      std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
      *arrived = std::chrono::system_clock::time_point(
          std::chrono::duration_cast<std::chrono::system_clock::duration>(
              std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec)));
    }
  }
  return got;
}

enum class Ask { kStatus, kInfo, kRcon };

// What a server request asks, if it is one the farm answers.
std::optional<Ask> AskOf(const Request& req) {
  if (!req.outOfBand || req.args.empty()) return std::nullopt;
  std::string cmd = req.args[0];
  for (char& ch : cmd) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (cmd == "getstatus") return Ask::kStatus;
  if (cmd == "getinfo") return Ask::kInfo;
  if (cmd == "rcon") return Ask::kRcon;
  return std::nullopt;  // connect, getchallenge and the rest are not simulated
}

// Whether the server's rate limits leave the request unanswered.
bool RateLimited(Server& s, const Peer& from, Ask ask, const Request& req) {
  const ServerConfig& c = s.config;
  std::int64_t ms = NowMs();
  if (s.perAddress[from.Host()].Limit(ms, 10, 1000)) return true;
  if (ask != Ask::kRcon && s.outbound.Limit(ms, 10, 100)) return true;
  return ask == Ask::kRcon && (c.rconPassword.empty() || req.Arg(1) != c.rconPassword) &&
         s.badRcon.Limit(ms, 10, 1000);
}

int ReplyDelayMs(const ServerConfig& c, std::mt19937& rng) {
  int lo = std::max(0, std::min(c.latencyMinMs, c.latencyMaxMs));
  int hi = std::max(0, std::max(c.latencyMinMs, c.latencyMaxMs));
  return lo == hi ? lo : std::uniform_int_distribution<int>(lo, hi)(rng);
}

// Keeps the request in the master's stats.
void LogMasterRequest(MasterStats& stats, std::string_view data) {
  ++stats.requests;
  stats.lastRequest.assign(data);
  if (stats.recentRequests.size() >= MasterStats::kRecentRequests)
    stats.recentRequests.erase(stats.recentRequests.begin());
  stats.recentRequests.emplace_back(data.substr(0, MasterStats::kLoggedBytes));
}

}  // namespace

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
      } else if (key >= kLastMasterKey) {
        ReadMaster(static_cast<int>(kMasterKey - key));
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
    Peer from;
    std::chrono::system_clock::time_point arrived;
    ssize_t got = RecvStamped(s.fd, buffer, &from, &arrived);
    if (got < 0) return;
    if (Dropped()) {
      ++s.stats.requestsDropped;
      continue;
    }
    HandleRequest(s, id, from, std::string_view(buffer.data(), static_cast<std::size_t>(got)),
                  Clock::now(), arrived);
  }
}

void Farm::Impl::HandleRequest(Server& s, int id, const Peer& from, std::string_view data,
                               Clock::time_point now,
                               std::chrono::system_clock::time_point arrived) {
  ++s.stats.requests;
  ++totalRequests;
  s.stats.lastRequest.assign(data);
  const ServerConfig& c = s.config;
  if (c.silent) return;

  Request req = ParseRequest(data);
  const std::optional<Ask> ask = AskOf(req);
  if (!ask) return;
  if (c.rateLimit && RateLimited(s, from, *ask, req)) return;
  std::vector<std::string> datagrams = ReplyDatagrams(c, req);
  if (datagrams.empty()) return;
  if (c.floodAfter > 0) {
    for (std::string& d : FloodDatagrams(c.floodAfter, c.floodSeed))
      datagrams.push_back(std::move(d));
  }
  const int delay = ReplyDelayMs(c, s.rng);

  ++inFlight;
  maxInFlight = std::max(maxInFlight, inFlight);
  Pending p;
  p.due = now + std::chrono::milliseconds(delay);
  p.serverId = id;
  p.to = from;
  p.datagrams = std::move(datagrams);
  p.countsInFlight = true;
  p.requestArrived = arrived;
  p.request.assign(data.substr(0, ServerStats::kLoggedBytes));
  p.fromStray = c.replyFromOtherPort;
  if (c.strayBeforeReply) p.strayFirst.push_back(StrayDatagram(c.floodSeed));
  if (delay == 0) {
    Deliver(s, p);
    --inFlight;
    return;
  }
  Schedule(std::move(p));
}

bool Farm::Impl::Dropped() {
  return dropFraction > 0 &&
         std::uniform_real_distribution<double>(0.0, 1.0)(dropRng) < dropFraction;
}

int Farm::Impl::StrayFd(int which, Family family) {
  int& fd = strayFds[static_cast<int>(family)][which];
  if (fd < 0) {
    fd = BindLoopback(0, family);
    if (fd >= 0) strayPorts[static_cast<int>(family)][which] = LocalPort(fd);
  }
  return fd;
}

void Farm::Impl::Deliver(Server& s, const Pending& p) {
  const int strayFd = p.strayFirst.empty() ? -1 : StrayFd(1, s.family);
  const int fd = p.fromStray ? StrayFd(0, s.family) : s.fd;
  // What the network loses never leaves here.
  std::vector<std::string> stray, datagrams;
  for (const std::string& d : p.strayFirst) {
    if (Dropped())
      ++s.stats.datagramsDropped;
    else
      stray.push_back(d);
  }
  for (const std::string& d : p.datagrams) {
    if (Dropped())
      ++s.stats.datagramsDropped;
    else
      datagrams.push_back(d);
  }
  if (stray.empty() && datagrams.empty()) {
    ++s.stats.repliesDropped;
    return;
  }
  // Read right before the send: a client's ping should show the time to this
  // moment, however late the timer fired.
  ++s.stats.replies;
  s.stats.lastRepliedRequestArrived = p.requestArrived;
  s.stats.lastReplySent = std::chrono::system_clock::now();
  auto& log = s.stats.recentReplies;
  if (log.size() >= ServerStats::kRecentReplies) log.erase(log.begin());
  log.push_back({p.request, p.requestArrived, s.stats.lastReplySent});
  if (strayFd >= 0 && !stray.empty()) SendAll(strayFd, p.to, stray);
  if (fd >= 0 && !datagrams.empty()) SendAll(fd, p.to, datagrams);
}

void Farm::Impl::ReadMaster(int id) {
  for (int batch = 0; batch < 64; ++batch) {
    std::lock_guard lock(mutex);
    Master* m = FindMaster(id);
    if (!m || m->fd < 0) return;
    Peer from;
    from.length = sizeof from.address;
    ssize_t got = recvfrom(m->fd, buffer.data(), buffer.size(), 0,
                           reinterpret_cast<sockaddr*>(&from.address), &from.length);
    if (got < 0) return;
    HandleMaster(*m, id, from, std::string_view(buffer.data(), static_cast<std::size_t>(got)),
                 Clock::now());
  }
}

bool Farm::Impl::Flooded(Master& m, const Peer& from) {
  // dpmaster's throttle: the count decays by one each period, and a request that
  // would take it past the burst is dropped without touching it.
  const std::int64_t ms = NowMs();
  const std::int64_t decay = std::max(1, m.config.floodDecayMs);
  FloodCount& f = m.flood[from.Host()];
  const std::int64_t count = std::max<std::int64_t>(0, f.count - (ms - f.lastMs) / decay) + 1;
  if (count > m.config.floodBurst) return true;
  f.count = static_cast<int>(count);
  f.lastMs = ms;
  return false;
}

std::vector<MasterEntry> Farm::Impl::MasterListing(const MasterConfig& config,
                                                   const ServersRequest& request) {
  std::vector<MasterEntry> entries;
  auto list = [&](const Server& s) {
    if (!MasterListsFamily(request, s.family) || !MasterLists(request, s.config)) return;
    entries.push_back(s.family == Family::kIpv6 ? MasterEntry::Ipv6(kLoopback6, s.port)
                                                : MasterEntry{{127, 0, 0, 1}, s.port});
  };
  if (config.listFarm && config.listedServers) {
    for (int serverId : *config.listedServers) {
      if (const Server* s = Find(serverId)) list(*s);
    }
  } else if (config.listFarm) {
    for (const auto& s : servers) {
      if (s) list(*s);
    }
  }
  // dpmaster knows no server of another game.
  if (!request.ext || request.game == kMasterGame) {
    for (const MasterEntry& e : config.extraEntries) {
      if (MasterListsFamily(request, e.family)) entries.push_back(e);
    }
  }
  return entries;
}

void Farm::Impl::HandleMaster(Master& m, int id, const Peer& from, std::string_view data,
                              Clock::time_point now) {
  MasterStats& stats = m.stats;
  const MasterConfig& config = m.config;
  LogMasterRequest(stats, data);

  const std::string_view command = data.substr(0, data.find_first_of(std::string_view(" \0", 2)));
  const bool ext = command == std::string(kOobMarker) + "getserversExt";
  if (ext)
    ++stats.getserversExt;
  else if (command == std::string(kOobMarker) + "getservers")
    ++stats.getservers;
  else
    return;
  if (ext && !config.knowsExt) return;
  if (config.floodProtection && Flooded(m, from)) {
    ++stats.floodDropped;
    return;
  }
  if (config.silent) return;
  const ServersRequest request = ParseServersRequest(data);
  if (!request.valid) return;

  const std::vector<MasterEntry> entries = MasterListing(config, request);
  Pending p;
  p.due = now + std::chrono::milliseconds(std::max(0, config.delayMs));
  p.masterId = id;
  p.to = from;
  p.datagrams = request.ext ? MasterExtResponse(entries) : MasterResponse(entries);
  if (config.delayMs <= 0) {
    SendAll(m.fd, from, p.datagrams);
    ++stats.replies;
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
  itimerspec due{};
  if (!queue.empty()) {
    auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(queue.top().due.time_since_epoch())
            .count();
    if (ns <= 0) ns = 1;  // zero would disarm
    due.it_value.tv_sec = static_cast<time_t>(ns / 1000000000);
    due.it_value.tv_nsec = static_cast<long>(ns % 1000000000);
  }
  timerfd_settime(timerFd, TFD_TIMER_ABSTIME, &due, nullptr);
}

void Farm::Impl::Fire() {
  std::lock_guard lock(mutex);
  Clock::time_point now = Clock::now();
  while (!queue.empty() && queue.top().due <= now) {
    const Pending& p = queue.top();
    if (p.masterId >= 0) {
      if (Master* m = FindMaster(p.masterId); m && m->fd >= 0) {
        SendAll(m->fd, p.to, p.datagrams);
        ++m->stats.replies;
      }
    } else {
      if (Server* s = Find(p.serverId)) Deliver(*s, p);
      if (p.countsInFlight) --inFlight;
    }
    queue.pop();
  }
  ArmTimer();
}

}  // namespace q3sim
