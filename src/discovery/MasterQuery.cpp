#include "discovery/MasterQuery.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>

#include "core/ServerCache.h"
#include "core/ServerList.h"

namespace vyk {
namespace {

using std::chrono::microseconds;

constexpr std::size_t kRequestBufferSize = 8192;
constexpr std::size_t kReceiveBufferSize = 8192;
// "\xFF\xFF\xFF\xFFgetserversResponse": the entries follow, each a separator
// byte and six bytes of address and port.
constexpr std::size_t kReplyHeaderSize = 22;
constexpr std::size_t kEntryStep = 7;
constexpr std::size_t kEntrySize = 6;
constexpr std::size_t kIpv6EntrySize = 18;
constexpr std::string_view kPlainHeader("\xFF\xFF\xFF\xFFgetserversResponse", kReplyHeaderSize);
constexpr std::string_view kExtHeader("\xFF\xFF\xFF\xFFgetserversExtResponse", 25);
// The last datagram of a list ends with "\EOT\0\0\0"; as an entry it would
// read as 69.79.84.0 port 0, which no server can use.
constexpr char kEndMarker[kEntrySize] = {'E', 'O', 'T', '\0', '\0', '\0'};

std::string Request(const std::string& command, const std::string& protocol) {
  // The protocol is C text inside an 8192-byte buffer: it ends at a zero
  // byte, and an overlong request is cut to fit with its terminator.
  std::string text = "\xFF\xFF\xFF\xFF" + command + " ";
  text += protocol.c_str();
  // Masters leave out empty and full servers unless asked for them, and would
  // read a line feed after the protocol as part of a game name. The list's own
  // filters decide what is hidden.
  text += " empty full";
  if (text.size() > kRequestBufferSize - 1) text.resize(kRequestBufferSize - 1);
  text += '\0';
  return text;
}

MasterEntry Ipv4Entry(const char* raw) {
  MasterEntry entry;
  std::memcpy(&entry.address, raw, 4);
  std::memcpy(&entry.port, raw + 4, 2);
  return entry;
}

// An IPv4 server reached through IPv6 is the IPv4 server.
MasterEntry Ipv6Entry(const char* raw) {
  MasterEntry entry;
  std::memcpy(entry.address6.data(), raw, 16);
  std::memcpy(&entry.port, raw + 16, 2);
  if (IsMappedIpv4(entry.address6)) {
    std::memcpy(&entry.address, raw + 12, 4);
    entry.address6 = {};
  } else {
    entry.ipv6 = true;
  }
  return entry;
}

// A moment long past (SteadyTime::min() stands for "none yet") is no wait, and is never
// subtracted: min() - now overflows.
microseconds Until(SteadyTime when, SteadyTime now) {
  if (when <= now) return microseconds(0);
  return std::chrono::duration_cast<microseconds>(when - now);
}

}  // namespace

std::string MasterEntryHost(const MasterEntry& entry) {
  if (!entry.ipv6) return Ipv4Text(entry.address);
  NetEndpoint endpoint;
  endpoint.family = IpFamily::kV6;
  endpoint.bytes = entry.address6;
  return AddressText(endpoint);
}

std::uint16_t MasterEntryPort(const MasterEntry& entry) {
  return NetworkToHost16(entry.port);
}

RequestPacer::RequestPacer(int burst, microseconds decay) : burst_(burst), decay_(decay) {}

std::int64_t RequestPacer::CountAt(SteadyTime now) const {
  return std::max<std::int64_t>(0, count_ - (now - at_) / decay_);
}

microseconds RequestPacer::Wait(SteadyTime now) const {
  std::lock_guard lock(mutex_);
  const std::int64_t over = CountAt(now) - (burst_ - 1);
  if (over <= 0) return microseconds(0);
  // The count falls a whole step each decay after the last request let through.
  const SteadyTime free = at_ + ((count_ - (burst_ - 1)) * decay_);
  return std::max(microseconds(1), std::chrono::ceil<microseconds>(free - now));
}

void RequestPacer::Sent(SteadyTime now) {
  std::lock_guard lock(mutex_);
  count_ = CountAt(now) + 1;
  at_ = now;
}

RequestPacer& RequestPacer::For(const NetEndpoint& master, microseconds decay) {
  static std::mutex mutex;
  static std::map<std::tuple<std::array<std::uint8_t, 16>, IpFamily, std::uint16_t>,
                  std::unique_ptr<RequestPacer>>
      pacers;
  std::lock_guard lock(mutex);
  auto& pacer = pacers[{master.bytes, master.family, master.port}];
  if (!pacer) pacer = std::make_unique<RequestPacer>(kBurst, decay);
  return *pacer;
}

MasterQuery::MasterQuery(const std::string& host, std::uint16_t port)
    : resolved_((WSAStartup(0x0101), ResolveHost(host, &destination_))),
      socket_(destination_.family) {
  // An unresolvable host leaves nothing to send to: the exchange yields nothing.
  destination_.port = HostToNetwork16(port);
}

std::string MasterQuery::RequestDatagram(const std::string& protocol) {
  return Request("getservers", protocol);
}

std::string MasterQuery::ExtRequestDatagram(const std::string& protocol) {
  return Request(std::string("getserversExt ") + kGameName, protocol);
}

bool MasterQuery::ParseReply(const char* data, std::size_t size, std::vector<MasterEntry>& entries,
                             std::size_t limit) {
  // Every whole entry counts, the one that ends the datagram included; the
  // end marker and anything after it do not.
  std::size_t at = kReplyHeaderSize + 1;
  for (; at + kEntrySize <= size; at += kEntryStep) {
    const char* raw = data + at;
    if (std::memcmp(raw, kEndMarker, kEntrySize) == 0) return true;
    if (entries.size() >= limit) return true;
    entries.push_back(Ipv4Entry(raw));
  }
  // Older masters end with a bare "\EOT", shorter than an entry.
  return at + 3 <= size && std::memcmp(data + at, kEndMarker, 3) == 0;
}

bool MasterQuery::ParseTaggedReply(const char* data, std::size_t size,
                                   std::vector<MasterEntry>& entries, MasterReplies& replies,
                                   std::size_t limit) {
  const std::string_view datagram(data, size);
  std::size_t at = 0;
  if (datagram.starts_with(kExtHeader)) {
    at = kExtHeader.size();
    ++replies.extended;
  } else if (datagram.starts_with(kPlainHeader)) {
    at = kPlainHeader.size();
    ++replies.plain;
  } else {
    return false;
  }
  bool ended = false;
  while (at < size && !ended) {
    const char separator = data[at];
    const std::size_t length = separator == '/' ? kIpv6EntrySize : kEntrySize;
    if (separator == '\\') {
      // The end marker, or an older master's bare "\EOT".
      const std::size_t tail = std::min(kEntrySize, size - at - 1);
      ended = tail >= 3 && std::memcmp(data + at + 1, kEndMarker, tail) == 0;
      if (ended || tail < kEntrySize) break;
    } else if (separator != '/' || at + 1 + length > size) {
      break;  // cut short, or no entry we know: the rest cannot be trusted
    }
    if (entries.size() >= limit) return true;
    entries.push_back(separator == '/' ? Ipv6Entry(data + at + 1) : Ipv4Entry(data + at + 1));
    at += 1 + length;
  }
  if (ended) ++replies.listsEnded;
  return ended;
}

namespace {

// A master's requests on their way: what may go now is sent, each request
// getting its own wait for an answer; a send that fails ends the sending.
struct RequestSender {
  UdpSocket& socket;
  const NetEndpoint& to;
  const std::vector<std::string>& requests;
  RequestPacer* pacer;
  std::size_t sent = 0;
  bool sending = false;
  SteadyTime waitUntil = SteadyTime::min();

  // `wait`: how long a request sent now waits for its answer.
  void SendDue(microseconds wait) {
    while (sending && sent < requests.size()) {
      if (pacer && pacer->Wait(SteadyNow()) > microseconds(0)) return;
      const std::string& request = requests[sent];
      if (socket.SendTo(request.data(), request.size(), to) != static_cast<long>(request.size())) {
        sending = false;
        return;
      }
      const SteadyTime now = SteadyNow();
      if (pacer) pacer->Sent(now);
      ++sent;
      waitUntil = std::max(waitUntil, now + wait);
    }
    sending = false;
  }
};

}  // namespace

bool MasterQuery::FromMaster(const NetEndpoint& sender) const {
  const std::size_t length = destination_.family == IpFamily::kV6 ? 16 : 4;
  return sender.family == destination_.family &&
         std::memcmp(sender.bytes.data(), destination_.bytes.data(), length) == 0;
}

MasterReplies MasterQuery::Exchange(const std::vector<std::string>& requests,
                                    const MasterWaits& waits, bool tagged, RequestPacer* pacer) {
  MasterReplies replies;
  if (!resolved_ || !socket_.IsOpen()) return replies;
  const std::size_t limit = entries_.size() + kMaxEntries * requests.size();

  RequestSender outbox{socket_, destination_, requests, pacer};
  outbox.sending = !requests.empty();
  const auto sendDue = [&] { outbox.SendDue(replies.datagrams ? waits.more : waits.first); };
  sendDue();
  if (outbox.sent == 0 && !outbox.sending) return replies;

  std::vector<char> buffer(kReceiveBufferSize);
  SteadyTime listEnd = SteadyTime::max();  // set by the first datagram
  for (;;) {
    SteadyTime now = SteadyNow();
    microseconds wait = Until(outbox.waitUntil, now);
    if (outbox.sending)
      wait = outbox.sent == 0 ? pacer->Wait(now) : std::min(wait, pacer->Wait(now));
    const int ready = socket_.WaitReadable(std::max(wait, kNextWait));
    now = SteadyNow();
    if (ready < 0) break;
    if (ready == 0) {
      if (outbox.sending) sendDue();
      // A master silent to the first requests gets no more of them.
      if (outbox.sent > 0 && now >= outbox.waitUntil && (!outbox.sending || replies.datagrams == 0))
        break;
      continue;
    }
    std::memset(buffer.data(), 0, buffer.size());
    NetEndpoint sender;
    const long got = socket_.RecvFrom(buffer.data(), buffer.size(), &sender);
    if (got <= 0) break;
    if (!FromMaster(sender)) continue;
    ++replies.datagrams;
    const auto size = static_cast<std::size_t>(got);
    if (tagged) {
      ParseTaggedReply(buffer.data(), size, entries_, replies, limit);
    } else if (ParseReply(buffer.data(), size, entries_, limit)) {
      ++replies.listsEnded;
    }
    if (listEnd == SteadyTime::max()) listEnd = now + waits.list;
    if (now >= listEnd || entries_.size() >= limit) break;
    const bool allEnded = !outbox.sending && replies.listsEnded >= static_cast<int>(outbox.sent);
    outbox.waitUntil = allEnded ? now + kNextWait : std::min(now + waits.more, listEnd);
  }
  return replies;
}

int MasterQuery::RequestServers(const std::string& protocol, microseconds firstWait) {
  entries_.clear();
  MasterWaits waits;
  waits.first = firstWait;
  Exchange({RequestDatagram(protocol)}, waits, false);
  return EntryCount();
}

MasterEntry MasterQuery::EntryAt(int index) const {
  if (index < 0 || index >= EntryCount()) return {};
  return entries_[static_cast<std::size_t>(index)];
}

void AddMasterServers(const std::vector<MasterEntry>& entries, ServerList& list) {
  // The cache does not change while the servers are added: one look serves them all.
  const CachedNames names;
  UniqueAdder adder(list);
  for (const MasterEntry& entry : entries)
    adder.Add(ServerInfo(MasterEntryHost(entry), MasterEntryPort(entry), names));
}

void AddMasterServers(const MasterQuery& query, ServerList& list) {
  AddMasterServers(query.Entries(), list);
}

}  // namespace vyk
