#pragma once
// One "getservers" exchange with a master server: the addresses of the game
// servers it knows for one protocol version. A failed exchange is not an
// error, it simply yields no entries.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/UdpSocket.h"

namespace vyk {

class ServerList;

// One server of a reply, both fields in network byte order as received.
struct MasterEntry {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
};

// Dotted text of the entry's address and its port in host byte order.
std::string MasterEntryHost(const MasterEntry& entry);
std::uint16_t MasterEntryPort(const MasterEntry& entry);

class MasterQuery {
 public:
  // How long the first reply datagram may take.
  static constexpr std::chrono::microseconds kFirstWait = std::chrono::seconds(10);
  // After a datagram that ended the list, only datagrams already queued are read.
  static constexpr std::chrono::microseconds kNextWait = std::chrono::microseconds(1);
  // A list that has not ended yet goes on in datagrams that cross the network
  // one after another; they get this long each.
  static constexpr std::chrono::microseconds kMoreWait = std::chrono::seconds(1);
  // Bound on the whole list after the first wait, whatever keeps arriving.
  static constexpr std::chrono::microseconds kListWait = std::chrono::seconds(20);
  // Bound on one reply's entries: well above a real master's list, small
  // enough that a sender who never stops cannot hold the editor for long.
  static constexpr std::size_t kMaxEntries = 65536;

  MasterQuery(const std::string& host, std::uint16_t port);
  MasterQuery(const MasterQuery&) = delete;
  MasterQuery& operator=(const MasterQuery&) = delete;

  // Sends the request and collects the replies; returns the entry count.
  int RequestServers(const std::string& protocol, std::chrono::microseconds firstWait = kFirstWait);

  int EntryCount() const { return static_cast<int>(entries_.size()); }
  // All zero for an index out of range.
  MasterEntry EntryAt(int index) const;

  // The request datagram: 0xFF x4, "getservers <protocol> empty full" and a zero byte.
  static std::string RequestDatagram(const std::string& protocol);
  // Appends the entries of one reply datagram, up to kMaxEntries in all; true
  // when it ends the list or the list is full.
  static bool ParseReply(const char* data, std::size_t size, std::vector<MasterEntry>& entries);

 private:
  UdpSocket socket_;
  Ipv4Endpoint destination_;
  bool resolved_ = false;
  std::vector<MasterEntry> entries_;
};

// Adds a server for every entry of the last exchange, each only once; the
// records take their names from the server cache.
void AddMasterServers(const MasterQuery& query, ServerList& list);

}  // namespace vyk
