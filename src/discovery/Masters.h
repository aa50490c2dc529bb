#pragma once
// Every configured master asked at once, for every configured protocol, and
// their lists merged: the first master and protocol are the settings'
// MasterServer, MasterServerPort and protocol; MoreMasters and MoreProtocols
// add the rest.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/MasterQuery.h"

namespace vyk {

struct Settings;

inline constexpr std::uint16_t kDefaultMasterPort = 27950;

// A master as the settings or the command line name it.
struct MasterAddress {
  std::string host;  // a name, a dotted IPv4 address, or an IPv6 address without brackets
  std::uint16_t port = kDefaultMasterPort;
  std::string text;  // as written, for a master that could not be read
  bool valid = true;

  std::string Address() const;  // "host:port", "[v6]:port"
  std::string Name() const;     // as shown to the user: the port only when not the default
};

// "host", "host:port", "[v6]" or "[v6]:port". Invalid (kept as written, and
// never asked) for an empty host or a port that is not 1 to 65535.
MasterAddress ParseMasterAddress(const std::string& text,
                                 std::uint16_t defaultPort = kDefaultMasterPort);

// MasterServer and its port first, then MoreMasters; each address once.
std::vector<MasterAddress> ConfiguredMasters(const Settings& settings);
// `protocol` first, then the numbers of MoreProtocols; each once.
std::vector<std::string> ConfiguredProtocols(const Settings& settings);
// MoreMasters names at least one master.
bool NamesMoreMasters(const Settings& settings);
// Neither MoreMasters nor MoreProtocols names anything: the one master is
// asked for the one protocol exactly as it always was.
bool AsksOneMasterOnly(const Settings& settings);

struct MasterOutcome {
  MasterAddress master;
  bool answered = false;
  int servers = 0;  // distinct servers it listed
};

struct MasterHarvest {
  std::vector<MasterOutcome> masters;  // in the order asked
  std::vector<MasterEntry> entries;    // the masters' lists in that order, each server once
  int Answered() const;
};

// The request each master knows, remembered in cache.srv under its address:
// a master that answers getserversExt lists both families; one that does not
// still lists its IPv4 servers through getservers.
enum class MasterRequestKind { kUnknown, kPlain, kExtended };
MasterRequestKind RememberedRequestKind(const MasterAddress& master);
void RememberRequestKind(const MasterAddress& master, MasterRequestKind kind);

// One master, every protocol: a master whose request kind is not known yet is
// first asked both ways for the first protocol, then the way it answered for
// the rest; a master that answers neither costs one wait. The requests keep
// to the master's flood protection.
MasterOutcome AskMaster(const MasterAddress& master, const std::vector<std::string>& protocols,
                        const MasterWaits& waits, std::vector<MasterEntry>& entries);

// Every master at the same time, so the whole takes as long as the slowest.
// `classic`: one master and one protocol, asked with the one getservers
// exchange (MasterQuery::RequestServers).
MasterHarvest AskMasters(const std::vector<MasterAddress>& masters,
                         const std::vector<std::string>& protocols, bool classic,
                         const MasterWaits& waits = {});
// As the settings say.
MasterHarvest AskConfiguredMasters(const Settings& settings, const MasterWaits& waits = {});

// "3 masters: 812 servers (dpmaster.deathmask.net no answer)".
std::string HarvestSummary(const MasterHarvest& harvest);

}  // namespace vyk
