// One datagram of a master server's reply: the entry parse the master
// exchange runs on each datagram (by fixed steps, and by separators for a
// getserversExt reply), the addresses and ports made of the entries, the
// records added for them and the JSON list printed of them. The fuzz input
// also serves as the protocol text of a request datagram.
#include <arpa/inet.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "core/ServerJson.h"
#include "core/ServerList.h"
#include "discovery/MasterQuery.h"

namespace {

using namespace vyk;

constexpr std::size_t kReceiveSize = 8192;  // the exchange reads at most this much at once
constexpr std::size_t kFirstEntry = 23;     // header, then the separator before the first entry
constexpr std::size_t kEntryStep = 7;
const char kEndMarker[6] = {'E', 'O', 'T', '\0', '\0', '\0'};

// Dotted text back to the address; only the numeric form, never a lookup.
bool DottedAddress(const std::string& text, std::uint32_t* address) {
  in_addr parsed{};
  if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) return false;
  *address = parsed.s_addr;
  return true;
}

// The separator-read parse: every entry is the bytes after its "\\" or "/",
// IPv6 ones (other than IPv4 through IPv6) keep all sixteen, and the texts
// made of them read back to the same bytes.
void CheckTagged(const char* bytes, std::size_t size) {
  std::vector<MasterEntry> entries;
  MasterReplies replies;
  const std::size_t limit = 40;
  const bool ended = MasterQuery::ParseTaggedReply(bytes, size, entries, replies, limit);
  FUZZ_CHECK(entries.size() <= limit);
  FUZZ_CHECK(replies.plain + replies.extended <= 1);
  // It ends a list at its marker, or when the list is full.
  FUZZ_CHECK(replies.listsEnded == 0 || ended);
  if (ended && entries.size() < limit) FUZZ_CHECK(replies.listsEnded == 1);
  if (replies.plain + replies.extended == 0) FUZZ_CHECK(entries.empty() && !ended);
  ServerList list;
  for (const MasterEntry& entry : entries) {
    const std::string host = MasterEntryHost(entry);
    if (entry.ipv6) {
      in6_addr parsed{};
      FUZZ_CHECK(inet_pton(AF_INET6, host.c_str(), &parsed) == 1);
      FUZZ_CHECK(std::memcmp(&parsed, entry.address6.data(), 16) == 0);
      FUZZ_CHECK(!IsMappedIpv4(entry.address6));
    } else {
      std::uint32_t back = 0;
      FUZZ_CHECK(DottedAddress(host, &back) && back == entry.address);
    }
    // The record's address text reads back as the same server (port 0 reads
    // back as the default port, as a typed one does).
    ServerInfo record(host, MasterEntryPort(entry), "");
    ServerInfo again;
    again.SetAddress(record.Address());
    FUZZ_CHECK(again.host == record.host);
    FUZZ_CHECK(record.port == 0 || again.port == record.port);
  }
  AddMasterServers(entries, list);
  FUZZ_CHECK(list.Count() <= static_cast<int>(entries.size()));
}

void CheckRequest(const std::string& protocol) {
  const std::string request = MasterQuery::RequestDatagram(protocol);
  const std::string head = "\xFF\xFF\xFF\xFFgetservers ";
  FUZZ_CHECK(request.size() <= 8192 && request.compare(0, head.size(), head) == 0);
  // One zero byte, the last; the protocol text stops at its own first zero.
  FUZZ_CHECK(request.find('\0') == request.size() - 1);
  const std::string expected = head + protocol.c_str() + " empty full";
  FUZZ_CHECK(request.compare(0, request.size() - 1, expected, 0, request.size() - 1) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vyk::fuzz::FuzzHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kReceiveSize) return -1;
  const char* bytes = reinterpret_cast<const char*>(data);

  // Entries are appended to what earlier datagrams gave.
  std::vector<MasterEntry> entries(1);
  const bool ended = MasterQuery::ParseReply(bytes, size, entries);

  // Every whole entry up to the end marker, each as the bytes it was read from.
  std::size_t at = kFirstEntry;
  std::size_t expected = 1;
  bool markerSeen = false;
  for (; at + 6 <= size; at += kEntryStep) {
    if (std::memcmp(bytes + at, kEndMarker, 6) == 0) {
      markerSeen = true;
      break;
    }
    FUZZ_CHECK(expected < entries.size());
    const MasterEntry& entry = entries[expected];
    FUZZ_CHECK(std::memcmp(&entry.address, bytes + at, 4) == 0);
    FUZZ_CHECK(std::memcmp(&entry.port, bytes + at + 4, 2) == 0);
    ++expected;
  }
  FUZZ_CHECK(entries.size() == expected);
  const bool bareEnd = !markerSeen && at + 3 <= size && std::memcmp(bytes + at, "EOT", 3) == 0;
  FUZZ_CHECK(ended == (markerSeen || bareEnd));

  ServerList list;
  std::vector<std::string> addresses;
  for (std::size_t i = 1; i < entries.size(); ++i) {
    const std::string host = MasterEntryHost(entries[i]);
    const std::uint16_t port = MasterEntryPort(entries[i]);
    std::uint32_t back = 0;
    FUZZ_CHECK(DottedAddress(host, &back) && back == entries[i].address);
    FUZZ_CHECK(port == ntohs(entries[i].port));
    // AddMasterServers, for the first few (each add compares with all before).
    if (i <= 64) list.AddUnique(ServerInfo(host, port, ""));
    addresses.push_back(host + ":" + std::to_string(port));
  }
  FUZZ_CHECK(list.Count() <= static_cast<int>(addresses.size()));

  // The protocol and the master are printed as given, whatever their bytes.
  const std::string protocol(bytes, std::min<std::size_t>(size, 16));
  const std::string text =
      MasterJson({{protocol, static_cast<int>(addresses.size()), true}}, {protocol}, addresses);
  FUZZ_CHECK(vyk::fuzz::IsValidUtf8(text));
  const nlohmann::json doc = nlohmann::json::parse(text);
  FUZZ_CHECK(doc.at("servers").size() == addresses.size());

  CheckRequest(std::string(bytes, size));
  CheckTagged(bytes, size);
  // The same bytes behind each reply header, so the separator walk sees them.
  for (const std::string_view header :
       {std::string_view("\xFF\xFF\xFF\xFFgetserversExtResponse", 25),
        std::string_view("\xFF\xFF\xFF\xFFgetserversResponse", 22)}) {
    std::string tagged(header);
    tagged.append(bytes, size);
    CheckTagged(tagged.data(), tagged.size());
  }
  return 0;
}
