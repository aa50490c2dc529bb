#include "Control.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <type_traits>

#include "Farm.h"
#include "Wire.h"

namespace q3sim {

namespace {

using Clock = std::chrono::steady_clock;
using wire::Reader;
using wire::Status;
using wire::Writer;

// A test program that died leaves its farms behind; they go after this long unused.
constexpr auto kIdle = std::chrono::minutes(10);

struct Entry {
  std::unique_ptr<Farm> farm;
  Clock::time_point used;
};

// The last answer to each client, sent again when a request is resent.
struct LastAnswer {
  std::uint64_t seq = 0;
  std::string answer;
  Clock::time_point used;
};

// Each op reads and checks all its arguments before it does anything.
using Handler = Status (*)(Farm& farm, Reader& args, Writer& out);

template <class Config, auto Add>
Status AddBound(Farm& farm, Reader& args, Writer& out) {
  Config config;
  wire::Get(args, config);
  std::uint16_t port = args.U16();
  auto family = static_cast<Family>(args.U8());
  if (!args.Done() || (family != Family::kIpv4 && family != Family::kIpv6))
    return Status::BadRequest;
  wire::Put(out, (farm.*Add)(config, port, family));
  return Status::Ok;
}

template <class Config, auto Set>
Status SetById(Farm& farm, Reader& args, Writer& out) {
  int id = args.I32();
  Config config;
  wire::Get(args, config);
  if (!args.Done()) return Status::BadRequest;
  wire::Put(out, (farm.*Set)(id, config));
  return Status::Ok;
}

Status OpenMaster(Farm& farm, Reader& args, Writer& out) {
  std::uint16_t port = args.U16();
  if (!args.Done()) return Status::BadRequest;
  wire::Put(out, farm.OpenMaster(port));
  return Status::Ok;
}

Status SetDrop(Farm& farm, Reader& args, Writer&) {
  double fraction = std::bit_cast<double>(args.U64());
  std::uint32_t seed = args.U32();
  if (!args.Done()) return Status::BadRequest;
  farm.SetDrop(fraction, seed);
  return Status::Ok;
}

Status StrayPort(Farm& farm, Reader& args, Writer& out) {
  int which = args.I32();
  auto family = static_cast<Family>(args.U8());
  if (!args.Done()) return Status::BadRequest;
  wire::Put(out, farm.StrayPort(which, family));
  return Status::Ok;
}

// Puts what the farm's function returns, if anything.
template <auto Call, class... Args>
void Answer(Writer& out, Farm& farm, Args... args) {
  if constexpr (std::is_void_v<decltype(Call(farm, args...))>)
    Call(farm, args...);
  else
    wire::Put(out, Call(farm, args...));
}

// The ops about one server or master: an id in, the farm's answer out.
template <auto Call>
Status WithId(Farm& farm, Reader& args, Writer& out) {
  int id = args.I32();
  if (!args.Done()) return Status::BadRequest;
  Answer<Call>(out, farm, id);
  return Status::Ok;
}

// The ops about the whole farm: nothing in.
template <auto Call>
Status Plain(Farm& farm, Reader& args, Writer& out) {
  if (!args.Done()) return Status::BadRequest;
  Answer<Call>(out, farm);
  return Status::Ok;
}

// "New" and "Drop" make and end farms; Control serves them itself.
const std::map<std::string_view, Handler> kHandlers = {
    {"AddServer", AddBound<ServerConfig, &Farm::AddServer>},
    {"AddMaster", AddBound<MasterConfig, &Farm::AddMaster>},
    {"SetConfig", SetById<ServerConfig, &Farm::SetConfig>},
    {"SetMasterConfig", SetById<MasterConfig, static_cast<bool (Farm::*)(int, const MasterConfig&)>(
                                                  &Farm::SetMasterConfig)>},
    {"OpenMaster", OpenMaster},
    {"SetDrop", SetDrop},
    {"StrayPort", StrayPort},
    {"Start", Plain<[](Farm& f) { return f.Start(); }>},
    {"Stop", Plain<[](Farm& f) { f.Stop(); }>},
    {"Running", Plain<[](Farm& f) { return f.Running(); }>},
    {"RemoveServer", WithId<[](Farm& f, int id) { return f.RemoveServer(id); }>},
    {"ServerCount", Plain<[](Farm& f) { return f.ServerCount(); }>},
    {"Port", WithId<[](Farm& f, int id) { return f.Port(id); }>},
    {"Address", WithId<[](Farm& f, int id) { return f.Address(id); }>},
    {"Config", WithId<[](Farm& f, int id) { return f.Config(id); }>},
    {"Stats", WithId<[](Farm& f, int id) { return f.Stats(id); }>},
    {"HasIpv6", Plain<[](Farm& f) { return f.HasIpv6(); }>},
    {"MasterPort", WithId<[](Farm& f, int id) { return f.MasterPort(id); }>},
    {"MasterAddress", WithId<[](Farm& f, int id) { return f.MasterAddress(id); }>},
    {"GetMasterConfig", WithId<[](Farm& f, int id) { return f.GetMasterConfig(id); }>},
    {"GetMasterStats", WithId<[](Farm& f, int id) { return f.GetMasterStats(id); }>},
    {"InFlight", Plain<[](Farm& f) { return f.InFlight(); }>},
    {"MaxInFlight", Plain<[](Farm& f) { return f.MaxInFlight(); }>},
    {"TotalRequests", Plain<[](Farm& f) { return f.TotalRequests(); }>},
    {"ResetCounters", Plain<[](Farm& f) { f.ResetCounters(); }>},
};

class Control {
 public:
  Control() {
    std::random_device device;
    // Not 1, 2, 3...: a client of an earlier run must not reach a new farm.
    nextHandle_ = ((static_cast<std::uint64_t>(device()) << 32) | device()) | 1;
  }

  // The answer to one datagram; empty when it is to go unanswered.
  std::string Handle(std::string_view datagram);
  void Sweep();

 private:
  Status Serve(const wire::RequestHead& head, Reader& args, Writer& out);

  std::map<std::uint64_t, Entry> farms_;
  std::map<std::uint64_t, LastAnswer> clients_;
  std::uint64_t nextHandle_ = 1;
};

std::string Control::Handle(std::string_view datagram) {
  Reader r(datagram);
  wire::RequestHead head;
  if (!wire::GetRequestHead(r, head)) return {};
  const auto now = Clock::now();
  auto last = clients_.find(head.client);
  if (last != clients_.end()) {
    if (head.seq == last->second.seq) return last->second.answer;
    if (head.seq < last->second.seq) return {};  // a late copy of an old request
  }
  Writer results;
  Status status = Serve(head, r, results);
  Writer answer;
  wire::PutAnswerHead(answer, head.seq, status);
  std::string bytes = answer.Data();
  if (status == Status::Ok) bytes += results.Data();
  if (bytes.size() > wire::kMaxMessage) {
    std::fprintf(stderr, "q3sim: the answer to %s would be %zu bytes, over %zu: refused\n",
                 head.op.c_str(), bytes.size(), wire::kMaxMessage);
    Writer refusal;
    wire::PutAnswerHead(refusal, head.seq, Status::TooLong);
    bytes = refusal.Data();
  }
  clients_[head.client] = {head.seq, bytes, now};
  return bytes;
}

void Control::Sweep() {
  const auto now = Clock::now();
  for (auto it = farms_.begin(); it != farms_.end();)
    it = now - it->second.used > kIdle ? farms_.erase(it) : std::next(it);
  for (auto it = clients_.begin(); it != clients_.end();)
    it = now - it->second.used > kIdle ? clients_.erase(it) : std::next(it);
}

Status Control::Serve(const wire::RequestHead& head, Reader& args, Writer& out) {
  if (head.op == "New") {
    if (!args.Done()) return Status::BadRequest;
    std::uint64_t h = nextHandle_++;
    farms_[h] = {std::make_unique<Farm>(), Clock::now()};
    out.U64(h);
    return Status::Ok;
  }
  auto it = farms_.find(head.handle);
  if (it == farms_.end()) return Status::UnknownHandle;
  it->second.used = Clock::now();
  if (head.op == "Drop") {
    if (!args.Done()) return Status::BadRequest;
    farms_.erase(it);
    return Status::Ok;
  }
  auto handler = kHandlers.find(head.op);
  if (handler == kHandlers.end()) return Status::BadRequest;
  return handler->second(*it->second.farm, args, out);
}

}  // namespace

int RunControl(std::uint16_t port) {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::fprintf(stderr, "q3sim: cannot bind the control socket to 127.0.0.1:%u\n", port);
    return 1;
  }
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  int sfd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (sfd < 0) {
    std::fprintf(stderr, "q3sim: cannot watch for signals\n");
    return 1;
  }
  std::printf("control %u\n", ntohs(address.sin_port));
  std::fflush(stdout);

  Control control;
  std::string buffer(65536, '\0');
  for (;;) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {sfd, POLLIN, 0}};
    int ready = poll(fds, 2, 60 * 1000);
    control.Sweep();
    if (ready < 0) continue;
    if (fds[1].revents) break;
    if (!fds[0].revents) continue;
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    ssize_t n = recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                         &fromLength);
    if (n < 0) continue;
    std::string answer =
        control.Handle(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    if (!answer.empty())
      sendto(fd, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
  }
  close(sfd);
  close(fd);
  return 0;
}

}  // namespace q3sim
