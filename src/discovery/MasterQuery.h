#pragma once
// Exchanges with one master server: the addresses of the game servers it
// knows for a protocol version. A failed exchange is not an error, it simply
// yields no entries.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/UdpSocket.h"

namespace vyk {

class ServerList;

// One server of a reply, address and port in network byte order as received.
// An IPv6 server (getserversExt) has ipv6 set and its address in address6.
struct MasterEntry {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
  bool ipv6 = false;
  std::array<std::uint8_t, 16> address6{};
};

// Dotted text of the entry's address (an IPv6 one in its short form, without
// brackets) and its port in host byte order.
std::string MasterEntryHost(const MasterEntry& entry);
std::uint16_t MasterEntryPort(const MasterEntry& entry);

// How long a master exchange waits.
struct MasterWaits {
  // For the first reply datagram.
  std::chrono::microseconds first = std::chrono::seconds(10);
  // A list that has not ended yet goes on in datagrams that cross the network
  // one after another; they get this long each.
  std::chrono::microseconds more = std::chrono::seconds(1);
  // Bound on the whole list after the first datagram, whatever keeps arriving.
  std::chrono::microseconds list = std::chrono::seconds(20);
  // How fast a master's flood protection forgets a request (RequestPacer).
  std::chrono::microseconds floodDecay = std::chrono::milliseconds(3100);
};

// What the datagrams of an exchange said about the master.
struct MasterReplies {
  int datagrams = 0;   // from the master's address
  int plain = 0;       // datagrams that were a getserversResponse
  int extended = 0;    // datagrams that were a getserversExtResponse
  int listsEnded = 0;  // end markers seen
};

// Requests to one master spaced as its flood protection counts them
// (dpmaster's): a count that rises by one with each request and falls by one
// for each whole `decay` since the last request let through; a request that
// would reach the throttle is dropped unanswered. dpmaster's throttle of 5
// lets 4 through in a row, then one each 3 s. Thread-safe.
class RequestPacer {
 public:
  static constexpr int kBurst = 4;
  // dpmaster's 3 s, and a margin for the network's jitter.
  static constexpr std::chrono::milliseconds kDecay = std::chrono::milliseconds(3100);

  explicit RequestPacer(int burst = kBurst, std::chrono::microseconds decay = kDecay);
  // How long from `now` until the next request may go; 0 when it may go now.
  std::chrono::microseconds Wait(SteadyTime now) const;
  void Sent(SteadyTime now);

  // The pacer of a master (address and port) for the whole process, so that a
  // second request soon after the first keeps to the same count. Made with
  // `decay` when first asked for.
  static RequestPacer& For(const NetEndpoint& master, std::chrono::microseconds decay = kDecay);

 private:
  std::int64_t CountAt(SteadyTime now) const;  // caller holds mutex_

  const int burst_;
  const std::chrono::microseconds decay_;
  mutable std::mutex mutex_;
  std::int64_t count_ = 0;
  SteadyTime at_{};  // of the last request let through
};

class MasterQuery {
 public:
  static constexpr std::chrono::microseconds kFirstWait = std::chrono::seconds(10);
  // After a datagram that ended the last list, only datagrams already queued are read.
  static constexpr std::chrono::microseconds kNextWait = std::chrono::microseconds(1);
  // Bound on one reply's entries: well above a real master's list, small
  // enough that a sender who never stops cannot hold the editor for long.
  static constexpr std::size_t kMaxEntries = 65536;
  // The game name getserversExt asks for: Quake III and its heirs all register under it.
  static constexpr const char* kGameName = "Quake3Arena";

  MasterQuery(const std::string& host, std::uint16_t port);
  MasterQuery(const MasterQuery&) = delete;
  MasterQuery& operator=(const MasterQuery&) = delete;

  // Sends one getservers request and collects the reply; returns the entry count.
  int RequestServers(const std::string& protocol, std::chrono::microseconds firstWait = kFirstWait);

  // Sends every request (as the pacer allows) and collects the replies into
  // the entries, which keep what earlier exchanges gave. Each reply may hold
  // kMaxEntries; the exchange ends when every request's list has ended, or
  // by the waits. Datagrams from any other address than the master's, and
  // datagrams that are not a master's reply, are not read.
  // A tagged exchange reads its datagrams with ParseTaggedReply, else ParseReply.
  MasterReplies Exchange(const std::vector<std::string>& requests, const MasterWaits& waits,
                         bool tagged, RequestPacer* pacer = nullptr);

  bool Resolved() const { return resolved_; }
  const NetEndpoint& Destination() const { return destination_; }

  int EntryCount() const { return static_cast<int>(entries_.size()); }
  // All zero for an index out of range.
  MasterEntry EntryAt(int index) const;
  const std::vector<MasterEntry>& Entries() const { return entries_; }

  // The request datagram: 0xFF x4, "getservers <protocol> empty full" and a zero byte.
  static std::string RequestDatagram(const std::string& protocol);
  // 0xFF x4, "getserversExt Quake3Arena <protocol> empty full" and a zero byte:
  // both families' servers.
  static std::string ExtRequestDatagram(const std::string& protocol);
  // Appends the entries of one reply datagram, up to `limit` in all; true
  // when it ends the list or the list is full. Entries follow every 7 bytes
  // after the header, whatever the separator between them.
  static bool ParseReply(const char* data, std::size_t size, std::vector<MasterEntry>& entries,
                         std::size_t limit = kMaxEntries);
  // As ParseReply, for a reply whose kind the header names: each entry is
  // read by its separator ("\" IPv4, "/" IPv6), and a datagram without a
  // reply header, or the rest of one after an unknown separator, gives nothing.
  static bool ParseTaggedReply(const char* data, std::size_t size,
                               std::vector<MasterEntry>& entries, MasterReplies& replies,
                               std::size_t limit);

 private:
  bool FromMaster(const NetEndpoint& sender) const;

  NetEndpoint destination_;  // made before resolved_, which resolves into it
  bool resolved_ = false;
  UdpSocket socket_;  // of the master's family
  std::vector<MasterEntry> entries_;
};

// Adds a server for every entry, each only once; the records take their
// names from one look at the server cache.
void AddMasterServers(const std::vector<MasterEntry>& entries, ServerList& list);
void AddMasterServers(const MasterQuery& query, ServerList& list);

}  // namespace vyk
