#include "core/QuerySocket.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <exception>
#include <random>
#include <string_view>

namespace vyk {

namespace {

constexpr char kPacketPrefix[] = "\xFF\xFF\xFF\xFF";

// Game texts are C strings: nothing after a zero byte is ever seen.
std::string_view UpToZero(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

unsigned SystemEntropy() {
  try {
    std::random_device device;
    return device();
  } catch (const std::exception&) {
    return 0;  // the clock still seeds
  }
}

// Eight letters and digits (41 bits), so that an answer to somebody else's
// request, or a forged one, does not pass for ours.
std::string NewToken() {
  static constexpr char kSymbols[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  thread_local std::mt19937_64 generator = [] {
    std::seed_seq seed{SystemEntropy(), SystemEntropy(),
                       static_cast<unsigned>(SteadyNow().time_since_epoch().count())};
    return std::mt19937_64(seed);
  }();
  std::uint64_t bits = generator();
  std::string token(8, '0');
  for (char& symbol : token) {
    symbol = kSymbols[bits % 36];
    bits /= 36;
  }
  return token;
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

std::optional<std::string> QuerySocket::RequestStatus(int attempts) {
  return Exchange(std::string(kPacketPrefix) + "getstatus",
                  std::clamp(attempts, 1, kMaxQueryAttempts));
}

std::optional<std::string> QuerySocket::SendRcon(const std::string& command) {
  std::string request = std::string(kPacketPrefix) + "rcon " + password_ + " ";
  request += UpToZero(command);
  // The request and its zero byte must fit the buffer.
  if (request.size() > static_cast<std::size_t>(kBufferSize - 1)) request.resize(kBufferSize - 1);
  return Exchange(request, 1);
}

bool QuerySocket::SendAttempt(const std::string& request, bool tokened) {
  const auto attempt = static_cast<std::size_t>(attemptsSent_++);
  std::string text = request;
  if (tokened) {
    tokens_[attempt] = NewToken();
    text += ' ' + tokens_[attempt];
  }
  // The arrival is the system's stamp of the first datagram, so the ping does
  // not grow by however late this thread is woken; the start is on its clock.
  sentAt_[attempt] = ArrivalNow();
  // The terminating zero byte travels with the text.
  const long sent = socket_.SendTo(text.c_str(), text.size() + 1, server_);
  return sent == static_cast<long>(text.size() + 1);
}

int QuerySocket::AwaitAnswer(const std::string& request, int attempts, SteadyTime firstSent) {
  if (attempts == 1) return socket_.WaitReadable(firstWait_);
  const SteadyTime deadline = firstSent + firstWait_;
  for (;;) {
    const SteadyTime now = SteadyNow();
    if (now >= deadline) return 0;
    SteadyTime until = deadline;
    if (attemptsSent_ < attempts) {
      const SteadyTime next = firstSent + attemptsSent_ * AttemptSpacing(firstWait_);
      if (now >= next) {
        // A retry the system refuses is lost like one the network loses.
        SendAttempt(request, true);
        continue;
      }
      until = std::min(until, next);
    }
    const int ready =
        socket_.WaitReadable(std::chrono::ceil<std::chrono::microseconds>(until - now));
    if (ready != 0) return ready;
  }
}

int QuerySocket::AttemptOf(std::string_view token) const {
  for (int k = 0; k < attemptsSent_; ++k)
    if (tokens_[static_cast<std::size_t>(k)] == token) return k;
  return -1;
}

void QuerySocket::Append(std::string_view text) {
  const std::size_t room = static_cast<std::size_t>(kMaxAnswer) - buffer_.size();
  buffer_.append(text.substr(0, std::min(text.size(), room)));
}

bool QuerySocket::TakeFirst(Reading& reading, std::string_view text, int echoOf, bool carriesToken,
                            ArrivalTime arrival) {
  if (carriesToken && echoOf < 0) return false;
  reading.firstArrival = SteadyNow();
  reading.echoed = echoOf >= 0;
  answeredAttempt_ = echoOf;
  pingUncertain_ = !reading.echoed && attemptsSent_ > 1;
  const ArrivalTime start = sentAt_[static_cast<std::size_t>(reading.echoed ? echoOf : 0)];
  // A wall clock stepped back meanwhile must not make it negative.
  ping_ = static_cast<std::int32_t>(std::max<std::int64_t>(0, ElapsedMilliseconds(start, arrival)));
  reading.first = false;
  const std::size_t newline = text.find('\n');
  if (reading.tokened && text.starts_with(kPacketPrefix) && newline != std::string_view::npos)
    reading.firstHeader = text.substr(0, newline + 1);
  return true;
}

// Without echoes another answer is a datagram that starts over with the header and the
// info line.
bool QuerySocket::IsAnotherAnswer(const Reading& reading, std::string_view text,
                                  bool carriesChallenge, int attemptsSent) {
  if (carriesChallenge) return reading.echoed;
  return !reading.echoed && attemptsSent > 1 && !reading.firstHeader.empty() &&
         text.starts_with(reading.firstHeader) &&
         text.substr(reading.firstHeader.size()).starts_with('\\');
}

void QuerySocket::AppendAnswer(std::string_view text, const std::optional<InfoPairPlace>& challenge,
                               int echoOf) {
  if (echoOf < 0) return Append(text);
  // Our token is no setting of the server's.
  Append(text.substr(0, challenge->begin));
  Append(text.substr(challenge->end));
}

std::optional<std::string> QuerySocket::Exchange(const std::string& request, int attempts) {
  ping_ = kNoPing;
  attemptsSent_ = 0;
  answeredAttempt_ = -1;
  pingUncertain_ = false;
  if (!socket_.IsOpen() || !hasAddress_) return std::nullopt;
  Reading reading;
  reading.tokened = attempts > 1;
  socket_.StampArrivals();
  const SteadyTime firstSent = SteadyNow();
  if (!SendAttempt(request, reading.tokened)) return std::nullopt;
  buffer_.clear();

  // Room for a zero byte after the largest datagram read.
  char datagram[kBufferSize + 1];
  int ready = AwaitAnswer(request, attempts, firstSent);
  while (ready > 0) {
    ArrivalTime arrival;
    const long got = socket_.RecvStamped(datagram, kBufferSize, &arrival);
    // A datagram's text ends at its first zero byte, as the C string it is.
    const std::string_view text(
        datagram, got > 0 ? strnlen(datagram, static_cast<std::size_t>(got)) : std::size_t{0});
    std::optional<InfoPairPlace> challenge;
    if (reading.tokened) challenge = FindInfoPair(text, "challenge");
    const int echoOf = challenge ? AttemptOf(challenge->value) : -1;
    if (reading.first) {
      if (!TakeFirst(reading, text, echoOf, challenge.has_value(), arrival)) {
        ready = AwaitAnswer(request, attempts, firstSent);
        continue;
      }
    } else if (reading.tokened &&
               IsAnotherAnswer(reading, text, challenge.has_value(), attemptsSent_)) {
      if (SteadyNow() - reading.firstArrival >= firstWait_) break;
      ready = socket_.WaitReadable(std::chrono::microseconds(1));
      continue;
    }
    if (got <= 0) break;
    reading.lastBeganWithZero = text.empty();
    AppendAnswer(text, challenge, echoOf);
    // A sender that never stops must not hold the exchange forever.
    if (SteadyNow() - reading.firstArrival >= firstWait_) break;
    // Later datagrams count only when they have already arrived. ppoll waits
    // the 1 microsecond asked for (plus the kernel's timer slack, so a
    // datagram a server sent right behind the first still lands); poll would
    // round it to 0 or up to a whole millisecond.
    ready = socket_.WaitReadable(std::chrono::microseconds(1));
  }
  if (reading.lastBeganWithZero) {
    // No text came back: a failed exchange measures nothing.
    ping_ = kNoPing;
    answeredAttempt_ = -1;
    pingUncertain_ = false;
    return std::nullopt;
  }
  return buffer_;
}

std::int32_t QuerySocket::QueryStatus(int attempts) {
  status_.Clear();
  const std::optional<std::string> answer = RequestStatus(attempts);
  if (!answer) return -1;
  return status_.Parse(*answer);
}

}  // namespace vyk
