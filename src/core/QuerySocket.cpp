#include "core/QuerySocket.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace vyk {

namespace {

constexpr char kPacketPrefix[] = "\xFF\xFF\xFF\xFF";
constexpr std::int32_t kNoAnswerPing = 9999;

// Game texts are C strings: nothing after a zero byte is ever seen, in a
// datagram or in a text handed to the parses.
std::string_view UpToZero(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

unsigned char LowerAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Keys compare as strcasecmp does in the C locale: lower case, unsigned bytes.
bool KeyLess(const QuerySocket::PairSlot& a, const QuerySocket::PairSlot& b) {
  const std::size_t n = std::min(a.key.size(), b.key.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = LowerAscii(static_cast<unsigned char>(a.key[i]));
    const unsigned char y = LowerAscii(static_cast<unsigned char>(b.key[i]));
    if (x != y) return x < y;
  }
  return a.key.size() < b.key.size();
}

// Next field of a backslash-separated text: a run of backslashes is one
// separator and empty fields do not exist.
bool NextField(std::string_view* rest, std::string_view* field) {
  const std::size_t begin = rest->find_first_not_of('\\');
  if (begin == std::string_view::npos) {
    *rest = {};
    return false;
  }
  rest->remove_prefix(begin);
  const std::size_t end = std::min(rest->find('\\'), rest->size());
  *field = rest->substr(0, end);
  rest->remove_prefix(end);
  return true;
}

bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

void SkipSpace(std::string_view* text) {
  std::size_t i = 0;
  while (i < text->size() && IsCSpace((*text)[i])) ++i;
  text->remove_prefix(i);
}

// scanf's "%d": blanks, an optional sign, at least one decimal digit. A number beyond
// the int range stops at its end (scanf would leave it undefined, and glibc wraps it).
bool ScanInt(std::string_view* text, int* out) {
  SkipSpace(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < text->size() && ((*text)[i] == '+' || (*text)[i] == '-')) negative = (*text)[i++] == '-';
  const std::size_t digits = i;
  constexpr std::int64_t kLimit = std::int64_t{INT32_MAX} + 1;
  std::int64_t value = 0;
  for (; i < text->size() && (*text)[i] >= '0' && (*text)[i] <= '9'; ++i)
    value = std::min(kLimit, value * 10 + ((*text)[i] - '0'));
  if (i == digits) return false;
  text->remove_prefix(i);
  *out = static_cast<int>(negative ? -value : std::min(value, kLimit - 1));
  return true;
}

// The read of one player line, as sscanf(line, "%d %d \"%32[^\"]\"", ...) does it:
// each value is stored only when it and those before it were read.
void ScanPlayerLine(std::string_view line, int* score, int* ping, std::string* name) {
  if (!ScanInt(&line, score) || !ScanInt(&line, ping)) return;
  SkipSpace(&line);
  if (line.empty() || line.front() != '"') return;
  line.remove_prefix(1);
  const std::size_t length = std::min(
      {line.find('"'), line.size(), static_cast<std::size_t>(QuerySocket::kMaxPlayerName)});
  if (length > 0) *name = std::string(line.substr(0, length));
}

}  // namespace

QuerySocket::QuerySocket(const std::string& host, std::uint16_t port, const std::string& password) {
  players_.Clear();
  ping_ = kNoAnswerPing;
  pairCount_ = 0;
  playerCount_ = 0;
  WSAStartup(0x0101);
  // socket_ was opened as a member; when that failed every exchange fails
  // without sending.
  timeout_ = kTimeoutSeconds;
  server_ = {};
  hasAddress_ = ResolveIpv4(host, &server_.address);
  server_.port = HostToNetwork16(port);
  password_ = std::string(UpToZero(password).substr(0, kMaxPassword));
  pairs_[0] = {};
}

const QuerySocket::PairSlot& QuerySocket::Pair(int index) const {
  static const PairSlot kEmpty;
  if (index < 0 || index >= kPairSlots) return kEmpty;
  return pairs_[static_cast<std::size_t>(index)];
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
  ping_ = kNoAnswerPing;
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
  int ready = socket_.WaitReadable(std::chrono::seconds(timeout_));
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
    if (SteadyNow() - firstArrival >= std::chrono::seconds(timeout_)) break;
    // Later datagrams count only when they have already arrived. ppoll waits
    // the 1 microsecond asked for (plus the kernel's timer slack, so a
    // datagram a server sent right behind the first still lands); poll would
    // round it to 0 or up to a whole millisecond.
    ready = socket_.WaitReadable(std::chrono::microseconds(1));
  }
  if (lastBeganWithZero) {
    // No text came back: a failed exchange measures nothing.
    ping_ = kNoAnswerPing;
    return std::nullopt;
  }
  return buffer_;
}

std::int32_t QuerySocket::QueryStatus() {
  pairCount_ = 0;
  playerCount_ = 0;
  players_.Clear();
  const std::optional<std::string> answer = RequestStatus();
  if (!answer) return -1;
  return ParseAnswer(*answer);
}

int QuerySocket::ParseAnswer(std::string_view answer) {
  const int pairs = ParsePairs(answer);
  return pairs + ParsePlayers(answer);
}

int QuerySocket::ParsePairs(std::string_view answer) {
  for (PairSlot& slot : pairs_) slot = {};
  pairCount_ = 0;
  std::string_view rest = UpToZero(answer).substr(0, kPairSearchBytes);
  const std::size_t firstSlash = rest.find('\\');
  if (firstSlash == std::string_view::npos) return 0;
  rest.remove_prefix(firstSlash);
  // The info string is one line; the player lines after its newline are no
  // fields of it, not even when the last field is a key without a value.
  rest = rest.substr(0, rest.find('\n'));

  std::string_view key;
  while (pairCount_ < kMaxPairs && NextField(&rest, &key)) {
    std::string_view value;
    if (!NextField(&rest, &value)) value = {};
    PairSlot& slot = pairs_[static_cast<std::size_t>(pairCount_)];
    slot.key = std::string(key.substr(0, kMaxKey));
    slot.value = std::string(value.substr(0, kMaxValue));
    ++pairCount_;
  }
  std::stable_sort(pairs_.begin(), pairs_.begin() + pairCount_, KeyLess);
  return pairCount_;
}

int QuerySocket::ParsePlayers(std::string_view answer) {
  players_.Clear();
  playerCount_ = 0;
  std::string_view rest = UpToZero(answer);
  // Numbers a line does not supply carry over from the line before.
  int score = 0;
  int ping = 999;
  int lineIndex = 0;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    if (line.empty()) continue;
    if (lineIndex++ < 2) continue;  // header and info string
    std::string name;
    ScanPlayerLine(line, &score, &ping, &name);
    PlayerInfo player;
    player.name = std::move(name);
    player.ping = ping;
    player.score = score;
    player.isBuddy = false;
    players_.Add(player);  // an empty name is not added
    ++playerCount_;
  }
  return playerCount_;
}

}  // namespace vyk
