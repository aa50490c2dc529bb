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
  const std::string& op = head.op;
  if (op == "New") {
    if (!args.Done()) return Status::BadRequest;
    std::uint64_t h = nextHandle_++;
    farms_[h] = {std::make_unique<Farm>(), Clock::now()};
    out.U64(h);
    return Status::Ok;
  }
  auto it = farms_.find(head.handle);
  if (it == farms_.end()) return Status::UnknownHandle;
  it->second.used = Clock::now();
  Farm& farm = *it->second.farm;

  // Arguments are all read and checked before anything is done.
  if (op == "AddServer" || op == "AddMaster") {
    ServerConfig server;
    MasterConfig master;
    if (op == "AddServer")
      wire::Get(args, server);
    else
      wire::Get(args, master);
    std::uint16_t port = args.U16();
    auto family = static_cast<Family>(args.U8());
    if (!args.Done() || (family != Family::kIpv4 && family != Family::kIpv6))
      return Status::BadRequest;
    wire::Put(out, op == "AddServer" ? farm.AddServer(server, port, family)
                                     : farm.AddMaster(master, port, family));
    return Status::Ok;
  }
  if (op == "SetConfig") {
    int id = args.I32();
    ServerConfig config;
    wire::Get(args, config);
    if (!args.Done()) return Status::BadRequest;
    wire::Put(out, farm.SetConfig(id, config));
    return Status::Ok;
  }
  if (op == "SetMasterConfig") {
    int id = args.I32();
    MasterConfig config;
    wire::Get(args, config);
    if (!args.Done()) return Status::BadRequest;
    wire::Put(out, farm.SetMasterConfig(id, config));
    return Status::Ok;
  }
  if (op == "OpenMaster") {
    std::uint16_t port = args.U16();
    if (!args.Done()) return Status::BadRequest;
    wire::Put(out, farm.OpenMaster(port));
    return Status::Ok;
  }
  if (op == "SetDrop") {
    double fraction = std::bit_cast<double>(args.U64());
    std::uint32_t seed = args.U32();
    if (!args.Done()) return Status::BadRequest;
    farm.SetDrop(fraction, seed);
    return Status::Ok;
  }
  if (op == "StrayPort") {
    int which = args.I32();
    auto family = static_cast<Family>(args.U8());
    if (!args.Done()) return Status::BadRequest;
    wire::Put(out, farm.StrayPort(which, family));
    return Status::Ok;
  }
  // The rest take an id or nothing.
  static const char* const kWithId[] = {
      "RemoveServer", "Port",          "Address",         "Config",        "Stats",
      "MasterPort",   "MasterAddress", "GetMasterConfig", "GetMasterStats"};
  bool withId = false;
  for (const char* name : kWithId) withId = withId || op == name;
  int id = withId ? args.I32() : 0;
  if (!args.Done()) return Status::BadRequest;

  if (op == "Drop") {
    farms_.erase(it);
  } else if (op == "Start") {
    wire::Put(out, farm.Start());
  } else if (op == "Stop") {
    farm.Stop();
  } else if (op == "Running") {
    wire::Put(out, farm.Running());
  } else if (op == "RemoveServer") {
    wire::Put(out, farm.RemoveServer(id));
  } else if (op == "ServerCount") {
    wire::Put(out, farm.ServerCount());
  } else if (op == "Port") {
    wire::Put(out, farm.Port(id));
  } else if (op == "Address") {
    wire::Put(out, farm.Address(id));
  } else if (op == "Config") {
    wire::Put(out, farm.Config(id));
  } else if (op == "Stats") {
    wire::Put(out, farm.Stats(id));
  } else if (op == "HasIpv6") {
    wire::Put(out, farm.HasIpv6());
  } else if (op == "MasterPort") {
    wire::Put(out, farm.MasterPort(id));
  } else if (op == "MasterAddress") {
    wire::Put(out, farm.MasterAddress(id));
  } else if (op == "GetMasterConfig") {
    wire::Put(out, farm.GetMasterConfig(id));
  } else if (op == "GetMasterStats") {
    wire::Put(out, farm.GetMasterStats(id));
  } else if (op == "InFlight") {
    wire::Put(out, farm.InFlight());
  } else if (op == "MaxInFlight") {
    wire::Put(out, farm.MaxInFlight());
  } else if (op == "TotalRequests") {
    wire::Put(out, farm.TotalRequests());
  } else if (op == "ResetCounters") {
    farm.ResetCounters();
  } else {
    return Status::BadRequest;
  }
  return Status::Ok;
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
