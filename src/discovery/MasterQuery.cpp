#include "discovery/MasterQuery.h"

#include <algorithm>
#include <cstring>

#include "core/ServerList.h"

namespace vyk {
namespace {

constexpr std::size_t kRequestBufferSize = 8192;
constexpr std::size_t kReceiveBufferSize = 8192;
// "\xFF\xFF\xFF\xFFgetserversResponse": the entries follow, each a separator
// byte and six bytes of address and port.
constexpr std::size_t kReplyHeaderSize = 22;
constexpr std::size_t kEntryStep = 7;
constexpr std::size_t kEntrySize = 6;
// The last datagram of a list ends with "\EOT\0\0\0"; as an entry it would
// read as 69.79.84.0 port 0, which no server can use.
constexpr char kEndMarker[kEntrySize] = {'E', 'O', 'T', '\0', '\0', '\0'};

}  // namespace

std::string MasterEntryHost(const MasterEntry& entry) {
  return Ipv4Text(entry.address);
}

std::uint16_t MasterEntryPort(const MasterEntry& entry) {
  return NetworkToHost16(entry.port);
}

MasterQuery::MasterQuery(const std::string& host, std::uint16_t port) {
  WSAStartup(0x0101);
  destination_.port = HostToNetwork16(port);
  // An unresolvable host leaves nothing to send to: the exchange yields nothing.
  resolved_ = ResolveIpv4(host, &destination_.address);
}

std::string MasterQuery::RequestDatagram(const std::string& protocol) {
  // The protocol is C text inside an 8192-byte buffer: it ends at a zero
  // byte, and an overlong request is cut to fit with its terminator.
  std::string text = "\xFF\xFF\xFF\xFFgetservers ";
  text += protocol.c_str();
  // Masters leave out empty and full servers unless asked for them, and would
  // read a line feed after the protocol as part of a game name. The list's own
  // filters decide what is hidden.
  text += " empty full";
  if (text.size() > kRequestBufferSize - 1) text.resize(kRequestBufferSize - 1);
  text += '\0';
  return text;
}

bool MasterQuery::ParseReply(const char* data, std::size_t size,
                             std::vector<MasterEntry>& entries) {
  // Every whole entry counts, the one that ends the datagram included; the
  // end marker and anything after it do not.
  std::size_t at = kReplyHeaderSize + 1;
  for (; at + kEntrySize <= size; at += kEntryStep) {
    const char* raw = data + at;
    if (std::memcmp(raw, kEndMarker, kEntrySize) == 0) return true;
    if (entries.size() >= kMaxEntries) return true;
    MasterEntry entry;
    std::memcpy(&entry.address, raw, 4);
    std::memcpy(&entry.port, raw + 4, 2);
    entries.push_back(entry);
  }
  // Older masters end with a bare "\EOT", shorter than an entry.
  return at + 3 <= size && std::memcmp(data + at, kEndMarker, 3) == 0;
}

int MasterQuery::RequestServers(const std::string& protocol, std::chrono::microseconds firstWait) {
  entries_.clear();
  if (!resolved_ || !socket_.IsOpen()) return 0;

  const std::string request = RequestDatagram(protocol);
  if (socket_.SendTo(request.data(), request.size(), destination_) !=
      static_cast<long>(request.size())) {
    return 0;
  }

  std::vector<char> buffer(kReceiveBufferSize);
  int ready = socket_.WaitReadable(firstWait);
  const SteadyTime listEnd = SteadyNow() + kListWait;
  while (ready > 0 && SteadyNow() < listEnd && entries_.size() < kMaxEntries) {
    std::memset(buffer.data(), 0, buffer.size());
    const long got = socket_.Recv(buffer.data(), buffer.size());
    if (got <= 0) break;
    const bool ended = ParseReply(buffer.data(), static_cast<std::size_t>(got), entries_);
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(listEnd - SteadyNow());
    ready = socket_.WaitReadable(ended ? kNextWait : std::clamp(left, kNextWait, kMoreWait));
  }
  return EntryCount();
}

MasterEntry MasterQuery::EntryAt(int index) const {
  if (index < 0 || index >= EntryCount()) return {};
  return entries_[static_cast<std::size_t>(index)];
}

void AddMasterServers(const MasterQuery& query, ServerList& list) {
  UniqueAdder adder(list);
  for (int i = 0; i < query.EntryCount(); ++i) {
    const MasterEntry entry = query.EntryAt(i);
    adder.Add(ServerInfo(MasterEntryHost(entry), MasterEntryPort(entry), ""));
  }
}

}  // namespace vyk
