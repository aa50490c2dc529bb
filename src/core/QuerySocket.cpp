#include "core/QuerySocket.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace vyk {

namespace {

constexpr char kPacketPrefix[] = "\xFF\xFF\xFF\xFF";

// Game texts are C strings: nothing after a zero byte is ever seen.
std::string_view UpToZero(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

}  // namespace

QuerySocket::QuerySocket(const std::string& host, std::uint16_t port, const std::string& password,
                         std::chrono::milliseconds firstWait)
    : hasAddress_((WSAStartup(0x0101), ResolveHost(host, &server_))),
      socket_(server_.family),
      firstWait_(firstWait) {
  ping_ = kNoPing;
  // When opening socket_ failed, every exchange fails without sending.
  server_.port = HostToNetwork16(port);
  password_ = std::string(UpToZero(password).substr(0, kMaxPassword));
}

std::optional<std::string> QuerySocket::RequestStatus() {
  return Exchange(std::string(kPacketPrefix) + "getstatus");
}

std::optional<std::string> QuerySocket::SendRcon(const std::string& command) {
  std::string request = std::string(kPacketPrefix) + "rcon " + password_ + " ";
  request += UpToZero(command);
  // The request and its zero byte must fit the buffer.
  if (request.size() > static_cast<std::size_t>(kBufferSize - 1)) request.resize(kBufferSize - 1);
  return Exchange(request);
}

std::optional<std::string> QuerySocket::Exchange(const std::string& request) {
  ping_ = kNoPing;
  if (!socket_.IsOpen() || !hasAddress_) return std::nullopt;
  buffer_ = request;
  // The arrival is the system's stamp of the first datagram, so the ping does
  // not grow by however late this thread is woken; the start is on its clock.
  socket_.StampArrivals();
  const ArrivalTime start = ArrivalNow();
  // The terminating zero byte travels with the text.
  const long sent = socket_.SendTo(buffer_.c_str(), buffer_.size() + 1, server_);
  if (sent != static_cast<long>(buffer_.size() + 1)) return std::nullopt;
  buffer_.clear();

  // Room for a zero byte after the largest datagram read.
  char datagram[kBufferSize + 1];
  bool lastBeganWithZero = true;  // nothing received yet
  bool first = true;
  SteadyTime firstArrival{};
  int ready = socket_.WaitReadable(firstWait_);
  while (ready > 0) {
    ArrivalTime arrival;
    const long got = socket_.RecvStamped(datagram, kBufferSize, &arrival);
    if (first) {
      firstArrival = SteadyNow();
      // A wall clock stepped back meanwhile must not make it negative.
      ping_ =
          static_cast<std::int32_t>(std::max<std::int64_t>(0, ElapsedMilliseconds(start, arrival)));
      first = false;
    }
    if (got <= 0) break;
    datagram[got] = '\0';
    lastBeganWithZero = datagram[0] == '\0';
    // A datagram's text ends at its first zero byte, as the C string it is.
    const std::size_t length = strnlen(datagram, static_cast<std::size_t>(got));
    const std::size_t room = static_cast<std::size_t>(kMaxAnswer) - buffer_.size();
    buffer_.append(datagram, std::min(length, room));
    // A sender that never stops must not hold the exchange forever.
    if (SteadyNow() - firstArrival >= firstWait_) break;
    // Later datagrams count only when they have already arrived. ppoll waits
    // the 1 microsecond asked for (plus the kernel's timer slack, so a
    // datagram a server sent right behind the first still lands); poll would
    // round it to 0 or up to a whole millisecond.
    ready = socket_.WaitReadable(std::chrono::microseconds(1));
  }
  if (lastBeganWithZero) {
    // No text came back: a failed exchange measures nothing.
    ping_ = kNoPing;
    return std::nullopt;
  }
  return buffer_;
}

std::int32_t QuerySocket::QueryStatus() {
  status_.Clear();
  const std::optional<std::string> answer = RequestStatus();
  if (!answer) return -1;
  return status_.Parse(*answer);
}

}  // namespace vyk
