// Farm for programs that cannot run the event loop themselves (the Windows
// build): every call is a request to `q3sim --control` on this machine, found
// through Q3SIM_CONTROL ("127.0.0.1:PORT"), which runs a real farm per object.
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <string_view>

#include "Farm.h"
#include "Wire.h"
#include "platform/UdpSocket.h"

namespace q3sim {

namespace {

constexpr const char* kVariable = "Q3SIM_CONTROL";

// Loopback hardly loses a datagram; a busy machine may still be slow to answer.
constexpr std::chrono::milliseconds kWaits[] = {std::chrono::milliseconds(2000),
                                                std::chrono::milliseconds(3000),
                                                std::chrono::milliseconds(5000)};

bool ParseEndpoint(const std::string& text, vyk::Ipv4Endpoint* out) {
  auto colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  std::string portText = text.substr(colon + 1);
  char* end = nullptr;
  long port = std::strtol(portText.c_str(), &end, 10);
  if (portText.empty() || *end != '\0' || port < 1 || port > 65535) return false;
  std::uint32_t address = 0;
  if (!vyk::ResolveIpv4(text.substr(0, colon), &address)) return false;
  out->address = address;
  out->port = vyk::HostToNetwork16(static_cast<std::uint16_t>(port));
  return true;
}

}  // namespace

struct Farm::Impl {
  std::mutex mutex;
  std::unique_ptr<vyk::UdpSocket> socket;
  vyk::Ipv4Endpoint server;
  std::string serverText;
  std::uint64_t client = 0;
  std::uint64_t seq = 0;
  std::uint64_t handle = 0;  // 0: no farm on the other side, every call fails
  bool lost = false;         // the server stopped answering: fail at once from now on

  void Open();
  // Sends op with its arguments and waits for the answer; results gets what
  // follows the answer's head. False, with a line on stderr, when no sound
  // answer came.
  bool Call(const std::string& op, const std::string& args, std::string* results);
  void Warn(const std::string& text) { std::fprintf(stderr, "q3sim: %s\n", text.c_str()); }

  // One call whose results `read` takes; false when they did not come or did not parse.
  template <class Read>
  bool Ask(const char* op, const wire::Writer& args, Read read) {
    std::string results;
    if (!Call(op, args.Data(), &results)) return false;
    wire::Reader r(results);
    read(r);
    if (r.Done()) return true;
    Warn(std::string(op) + ": the farm control sent an answer that does not parse");
    return false;
  }

  // A call with one result, or `fallback` when it did not come.
  template <class T>
  T Result(const char* op, const wire::Writer& args, T fallback) {
    T v{};
    return Ask(op, args, [&](wire::Reader& r) { wire::Get(r, v); }) ? v : fallback;
  }

  bool RefuseHandler(const char* op, const ServerConfig& config) {
    if (!config.rconHandler) return false;
    Warn(std::string(op) + ": an rconHandler cannot reach a farm in another process");
    return true;
  }
};

void Farm::Impl::Open() {
  const char* text = std::getenv(kVariable);
  if (!text || !*text) {
    Warn(std::string("this farm runs in `q3sim --control 0`: set ") + kVariable +
         "=127.0.0.1:PORT to the port it prints");
    return;
  }
  serverText = text;
  if (!ParseEndpoint(serverText, &server)) {
    Warn(std::string(kVariable) + "=" + serverText + " is not HOST:PORT");
    return;
  }
  socket = std::make_unique<vyk::UdpSocket>();
  if (!socket->IsOpen()) {
    Warn("cannot open a UDP socket for the farm control");
    return;
  }
  std::random_device device;
  client = (static_cast<std::uint64_t>(device()) << 32) ^ device() ^
           static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           reinterpret_cast<std::uintptr_t>(this);
  std::string results;
  if (!Call("New", {}, &results)) return;
  wire::Reader r(results);
  std::uint64_t h = r.U64();
  if (r.Done()) handle = h;
}

bool Farm::Impl::Call(const std::string& op, const std::string& args, std::string* results) {
  std::lock_guard<std::mutex> lock(mutex);
  if (!socket || lost || (handle == 0 && op != "New")) return false;
  wire::Writer head;
  wire::PutRequestHead(head, {client, ++seq, handle, op});
  const std::string request = head.Data() + args;
  if (request.size() > wire::kMaxMessage) {
    Warn(op + ": request of " + std::to_string(request.size()) + " bytes is over the " +
         std::to_string(wire::kMaxMessage) + " the farm control takes; not sent");
    return false;
  }
  std::string buffer(65536, '\0');
  for (auto wait : kWaits) {
    socket->SendTo(request.data(), request.size(), server);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::microseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      int ready = socket->WaitReadable(left);
      if (ready < 0) break;
      if (ready == 0) continue;
      vyk::Ipv4Endpoint from;
      long n = socket->RecvFrom(buffer.data(), buffer.size(), &from);
      if (n < 0 || from.address != server.address || from.port != server.port) continue;
      std::string_view answer(buffer.data(), static_cast<std::size_t>(n));
      wire::Reader r(answer);
      std::uint64_t answerSeq = 0;
      wire::Status status{};
      if (!wire::GetAnswerHead(r, answerSeq, status) || answerSeq != seq) continue;
      switch (status) {
        case wire::Status::Ok:
          *results = std::string(answer.substr(answer.size() - r.Remaining()));
          return true;
        case wire::Status::UnknownHandle:
          Warn(op + ": the farm control at " + serverText +
               " no longer knows this farm (idle too long, or restarted)");
          lost = true;
          return false;
        case wire::Status::BadRequest:
          Warn(op + ": the farm control at " + serverText + " does not understand the request");
          return false;
        case wire::Status::TooLong:
          Warn(op + ": the answer would be over " + std::to_string(wire::kMaxMessage) +
               " bytes; the farm control refused it");
          return false;
      }
    }
  }
  Warn(op + ": no answer from the farm control at " + serverText + " (" + kVariable +
       "); is `q3sim --control` running?");
  lost = true;
  return false;
}

namespace {

wire::Writer Id(int id) {
  wire::Writer w;
  w.I32(id);
  return w;
}

// A config, the port and family to bind it to.
template <class Config>
wire::Writer Bind(const Config& config, std::uint16_t port, Family family) {
  wire::Writer w;
  wire::Put(w, config);
  w.U16(port);
  w.U8(static_cast<std::uint8_t>(family));
  return w;
}

}  // namespace

Farm::Farm() : impl_(std::make_unique<Impl>()) {
  impl_->Open();
}

Farm::~Farm() {
  if (impl_->handle != 0) impl_->Ask("Drop", {}, [](wire::Reader&) {});
}

bool Farm::Start() {
  return impl_->Result("Start", {}, false);
}

void Farm::Stop() {
  impl_->Ask("Stop", {}, [](wire::Reader&) {});
}

bool Farm::Running() const {
  return impl_->Result("Running", {}, false);
}

int Farm::AddServer(const ServerConfig& config, std::uint16_t port, Family family) {
  if (impl_->RefuseHandler("AddServer", config)) return -1;
  return impl_->Result("AddServer", Bind(config, port, family), -1);
}

bool Farm::HasIpv6() const {
  return impl_->Result("HasIpv6", {}, false);
}

bool Farm::RemoveServer(int id) {
  return impl_->Result("RemoveServer", Id(id), false);
}

int Farm::ServerCount() const {
  return impl_->Result<int>("ServerCount", {}, 0);
}

std::uint16_t Farm::Port(int id) const {
  return impl_->Result<std::uint16_t>("Port", Id(id), 0);
}

std::string Farm::Address(int id) const {
  return impl_->Result<std::string>("Address", Id(id), "");
}

ServerConfig Farm::Config(int id) const {
  return impl_->Result<ServerConfig>("Config", Id(id), ServerConfig{});
}

bool Farm::SetConfig(int id, const ServerConfig& config) {
  if (impl_->RefuseHandler("SetConfig", config)) return false;
  wire::Writer args = Id(id);
  wire::Put(args, config);
  return impl_->Result("SetConfig", args, false);
}

// Not atomic here: another caller's change between the two requests is lost.
bool Farm::Modify(int id, const std::function<void(ServerConfig&)>& change) {
  ServerConfig config = Config(id);
  change(config);
  return SetConfig(id, config);
}

ServerStats Farm::Stats(int id) const {
  return impl_->Result<ServerStats>("Stats", Id(id), ServerStats{});
}

std::uint16_t Farm::OpenMaster(std::uint16_t port) {
  wire::Writer args;
  args.U16(port);
  return impl_->Result<std::uint16_t>("OpenMaster", args, 0);
}

void Farm::SetDrop(double fraction, std::uint32_t seed) {
  wire::Writer args;
  args.U64(std::bit_cast<std::uint64_t>(fraction));
  args.U32(seed);
  impl_->Ask("SetDrop", args, [](wire::Reader&) {});
}

int Farm::AddMaster(const MasterConfig& config, std::uint16_t port, Family family) {
  return impl_->Result("AddMaster", Bind(config, port, family), -1);
}

std::uint16_t Farm::MasterPort(int id) const {
  return impl_->Result<std::uint16_t>("MasterPort", Id(id), 0);
}

std::string Farm::MasterAddress(int id) const {
  return impl_->Result<std::string>("MasterAddress", Id(id), "");
}

MasterConfig Farm::GetMasterConfig(int id) const {
  return impl_->Result<MasterConfig>("GetMasterConfig", Id(id), MasterConfig{});
}

bool Farm::SetMasterConfig(int id, const MasterConfig& config) {
  wire::Writer args = Id(id);
  wire::Put(args, config);
  return impl_->Result("SetMasterConfig", args, false);
}

MasterStats Farm::GetMasterStats(int id) const {
  return impl_->Result<MasterStats>("GetMasterStats", Id(id), MasterStats{});
}

std::uint16_t Farm::StrayPort(int which, Family family) const {
  wire::Writer args = Id(which);
  args.U8(static_cast<std::uint8_t>(family));
  return impl_->Result<std::uint16_t>("StrayPort", args, 0);
}

int Farm::InFlight() const {
  return impl_->Result<int>("InFlight", {}, 0);
}

int Farm::MaxInFlight() const {
  return impl_->Result<int>("MaxInFlight", {}, 0);
}

std::uint64_t Farm::TotalRequests() const {
  return impl_->Result<std::uint64_t>("TotalRequests", {}, 0);
}

void Farm::ResetCounters() {
  impl_->Ask("ResetCounters", {}, [](wire::Reader&) {});
}

}  // namespace q3sim
