#pragma once
// The command-line switches that work without a window: the same queries,
// refresh, filters, sort, master exchange and remote console as the windows,
// printed as text or JSON. Each returns the process exit code.
#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/AnswerWait.h"
#include "discovery/MasterQuery.h"

namespace vyk {

struct Settings;

struct CommandOutput {
  std::ostream& out;
  std::ostream& err;
  // Show the status texts on err while they change (err is a terminal).
  bool progress = false;
};

// firstWait below: how long each server exchange waits for its first datagram.

// Queries every server once (at most maxThread at a time) and prints each
// SummaryLine, plain, in the order given. 0 when every server answered.
int QueryServers(const std::vector<std::string>& addresses, const Settings& settings, bool json,
                 CommandOutput& io, std::chrono::milliseconds firstWait = kAnswerWait);

// Refreshes the server list file (listFile, or the settings' one), then
// prints the rows the main window would show: filtered unless showAll,
// sorted by lastServerSort. 1 when the list file cannot be read.
int RefreshServers(Settings& settings, const std::string& listFile, bool showAll, bool json,
                   CommandOutput& io, std::chrono::milliseconds firstWait = kAnswerWait);

// Asks the masters (none given: the settings' ones) for the protocols (none
// given: the settings' ones) and prints the merged addresses, one a line,
// IPv6 ones as "[addr]:port"; on err one line a master, "<master>: <n>
// servers" or "<master>: no answer". 0 when a master answered, 1 when none
// did, 2 for a master address that is not one.
int ListMasterServers(const Settings& settings, const std::vector<std::string>& masters,
                      const std::vector<std::string>& protocols, bool json, CommandOutput& io,
                      const MasterWaits& waits = {});

// Sends one remote-console command and prints the answer without its
// datagram headers. 1 when no answer came.
int SendRemoteCommand(const std::string& address, const std::string& password,
                      const std::string& command, CommandOutput& io,
                      std::chrono::milliseconds firstWait = kAnswerWait);

}  // namespace vyk
