#include "discovery/Masters.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>
#include <thread>
#include <unordered_set>

#include "core/HostPort.h"
#include "core/ServerCache.h"
#include "core/Settings.h"
#include "core/Text.h"

namespace vyk {
namespace {

constexpr const char* kRequestKey = "MasterRequest";
constexpr const char* kPlainName = "getservers";
constexpr const char* kExtendedName = "getserversExt";

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A server as a merge key: family, address bytes, port.
std::string EntryKey(const MasterEntry& entry) {
  std::string key(1, entry.ipv6 ? '6' : '4');
  if (entry.ipv6)
    key.append(reinterpret_cast<const char*>(entry.address6.data()), 16);
  else
    key.append(reinterpret_cast<const char*>(&entry.address), 4);
  key.append(reinterpret_cast<const char*>(&entry.port), 2);
  return key;
}

std::vector<std::string> Requests(MasterRequestKind kind,
                                  const std::vector<std::string>& protocols) {
  std::vector<std::string> requests;
  for (const std::string& protocol : protocols) {
    requests.push_back(kind == MasterRequestKind::kExtended
                           ? MasterQuery::ExtRequestDatagram(protocol)
                           : MasterQuery::RequestDatagram(protocol));
  }
  return requests;
}

// A master's list with each server once, counted as what it gave.
void TakeDistinct(const std::vector<MasterEntry>& from, MasterOutcome& outcome,
                  std::vector<MasterEntry>& entries) {
  std::unordered_set<std::string> seen;
  for (const MasterEntry& entry : from) {
    if (!seen.insert(EntryKey(entry)).second) continue;
    entries.push_back(entry);
    ++outcome.servers;
  }
}

std::string Counted(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string MasterAddress::Address() const {
  return valid ? JoinHostPort(host, port) : text;
}

std::string MasterAddress::Name() const {
  if (!valid || port != kDefaultMasterPort) return Address();
  return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

MasterAddress ParseMasterAddress(const std::string& text, std::uint16_t defaultPort) {
  MasterAddress master;
  master.text = Trim(text);
  master.valid = SplitHostPort(master.text, defaultPort, master.host, master.port);
  return master;
}

std::vector<MasterAddress> ConfiguredMasters(const Settings& settings) {
  std::vector<MasterAddress> masters;
  MasterAddress first;
  first.host = Trim(settings.masterServer);
  if (first.host.size() > 2 && first.host.front() == '[' && first.host.back() == ']')
    first.host = first.host.substr(1, first.host.size() - 2);
  first.port = settings.masterServerPort;
  first.text = first.Address();
  masters.push_back(first);
  for (const std::string& word : Words(settings.moreMasters))
    masters.push_back(ParseMasterAddress(word));
  // Each master once: the same address written twice is one master.
  std::set<std::string> seen;
  std::vector<MasterAddress> unique;
  for (const MasterAddress& m : masters)
    if (seen.insert(Lower(m.Address())).second) unique.push_back(m);
  return unique;
}

std::vector<std::string> ConfiguredProtocols(const Settings& settings) {
  std::vector<std::string> protocols = {settings.protocol};
  for (const std::string& word : Words(settings.moreProtocols))
    if (AllDigits(word) && std::find(protocols.begin(), protocols.end(), word) == protocols.end())
      protocols.push_back(word);
  return protocols;
}

bool NamesMoreMasters(const Settings& settings) {
  return !Words(settings.moreMasters).empty();
}

bool AsksOneMasterOnly(const Settings& settings) {
  return !NamesMoreMasters(settings) && Words(settings.moreProtocols).empty();
}

int MasterHarvest::Answered() const {
  return static_cast<int>(std::count_if(masters.begin(), masters.end(),
                                        [](const MasterOutcome& m) { return m.answered; }));
}

MasterRequestKind RememberedRequestKind(const MasterAddress& master) {
  const std::string kind = ReadCacheValue(master.Address(), kRequestKey, "");
  if (kind == kExtendedName) return MasterRequestKind::kExtended;
  if (kind == kPlainName) return MasterRequestKind::kPlain;
  return MasterRequestKind::kUnknown;
}

void RememberRequestKind(const MasterAddress& master, MasterRequestKind kind) {
  const char* text = kind == MasterRequestKind::kExtended ? kExtendedName
                     : kind == MasterRequestKind::kPlain  ? kPlainName
                                                          : "";
  WriteCacheValue(master.Address(), kRequestKey, text);
}

MasterOutcome AskMaster(const MasterAddress& master, const std::vector<std::string>& protocols,
                        const MasterWaits& waits, std::vector<MasterEntry>& entries) {
  MasterOutcome outcome{master};
  if (!master.valid || protocols.empty()) return outcome;
  MasterQuery query(master.host, master.port);
  if (!query.Resolved()) return outcome;
  RequestPacer& pacer = RequestPacer::For(query.Destination(), waits.floodDecay);

  MasterRequestKind kind = RememberedRequestKind(master);
  std::vector<std::string> first;
  std::vector<std::string> rest;
  if (kind == MasterRequestKind::kUnknown) {
    // Both ways for the first protocol; the answer tells which way the rest go.
    first = {MasterQuery::ExtRequestDatagram(protocols[0]),
             MasterQuery::RequestDatagram(protocols[0])};
    rest.assign(protocols.begin() + 1, protocols.end());
  } else {
    first = Requests(kind, protocols);
  }
  const MasterReplies replies = query.Exchange(first, waits, true, &pacer);
  if (replies.datagrams == 0) {
    // Silent: next time it is asked both ways again.
    if (kind != MasterRequestKind::kUnknown)
      RememberRequestKind(master, MasterRequestKind::kUnknown);
    return outcome;
  }
  outcome.answered = true;
  if (kind == MasterRequestKind::kUnknown) {
    kind = replies.extended > 0 ? MasterRequestKind::kExtended : MasterRequestKind::kPlain;
    RememberRequestKind(master, kind);
    if (!rest.empty()) query.Exchange(Requests(kind, rest), waits, true, &pacer);
  }

  TakeDistinct(query.Entries(), outcome, entries);
  return outcome;
}

namespace {

// The one getservers exchange of old: one request, each datagram read as it
// always was.
MasterOutcome AskClassic(const MasterAddress& master, const std::string& protocol,
                         const MasterWaits& waits, std::vector<MasterEntry>& entries) {
  MasterOutcome outcome{master};
  MasterQuery query(master.host, master.port);
  outcome.answered =
      query.Exchange({MasterQuery::RequestDatagram(protocol)}, waits, false).datagrams > 0;
  TakeDistinct(query.Entries(), outcome, entries);
  return outcome;
}

}  // namespace

MasterHarvest AskMasters(const std::vector<MasterAddress>& masters,
                         const std::vector<std::string>& protocols, bool classic,
                         const MasterWaits& waits) {
  MasterHarvest harvest;
  harvest.masters.resize(masters.size());
  std::vector<std::vector<MasterEntry>> lists(masters.size());
  if (classic && masters.size() == 1 && protocols.size() == 1) {
    harvest.masters[0] = AskClassic(masters[0], protocols[0], waits, lists[0]);
  } else {
    std::vector<std::jthread> askers;
    for (std::size_t i = 0; i < masters.size(); ++i) {
      askers.emplace_back(
          [&, i] { harvest.masters[i] = AskMaster(masters[i], protocols, waits, lists[i]); });
    }
  }
  // Joined: each master's list in turn, each server once.
  std::unordered_set<std::string> merged;
  for (const std::vector<MasterEntry>& list : lists)
    for (const MasterEntry& entry : list)
      if (merged.insert(EntryKey(entry)).second) harvest.entries.push_back(entry);
  return harvest;
}

MasterHarvest AskConfiguredMasters(const Settings& settings, const MasterWaits& waits) {
  return AskMasters(ConfiguredMasters(settings), ConfiguredProtocols(settings),
                    AsksOneMasterOnly(settings), waits);
}

std::string HarvestSummary(const MasterHarvest& harvest) {
  std::string text = Counted(static_cast<int>(harvest.masters.size()), "master", "masters") + ": " +
                     Counted(static_cast<int>(harvest.entries.size()), "server", "servers");
  std::string silent;
  for (const MasterOutcome& outcome : harvest.masters) {
    if (outcome.answered) continue;
    silent += (silent.empty() ? "" : ", ") + outcome.master.Name() + " no answer";
  }
  if (!silent.empty()) text += " (" + silent + ")";
  return text;
}

}  // namespace vyk
