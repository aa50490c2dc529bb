#include "cli/HeadlessCommands.h"

#include <optional>
#include <ostream>

#include "config/BuddyList.h"
#include "config/ConfigFile.h"
#include "config/ServerListFile.h"
#include "config/SummaryLine.h"
#include "core/HostPort.h"
#include "core/Refresh.h"
#include "core/ServerJson.h"
#include "core/ServerRows.h"
#include "core/ServerTable.h"
#include "core/StatusLine.h"
#include "core/TextEncoding.h"
#include "discovery/Masters.h"
#include "launch/RemoteConsole.h"

namespace vyk {
namespace {

// The refresh draws nothing here; rows are printed once it has ended.
class SilentView : public RefreshView {
 public:
  void UpdateRow(int) override {}
  void RebuildRows(bool) override {}
  void SelectRow(int) override {}
  void SetCursor(RefreshCursor) override {}
  void SetDrawingFrozen(bool) override {}
  void KeepPainted() override {}
};

// The status line on one terminal line, rewritten in place; cleared at the end.
class TerminalStatus : public StatusSink {
 public:
  explicit TerminalStatus(std::ostream& err) : err_(err) { InstallStatusSink(this); }
  ~TerminalStatus() override {
    InstallStatusSink(nullptr);
    err_ << "\r\x1b[K" << std::flush;
  }
  std::string StatusText() override { return text_; }
  void SetStatusText(const std::string& text) override {
    text_ = text;
    err_ << "\r\x1b[K" << PrintableText(text) << std::flush;
  }

 private:
  std::ostream& err_;
  std::string text_ = "Ready";
};

// The status line on a terminal for the command's lifetime; without one the status
// texts go nowhere.
class StatusScope {
 public:
  explicit StatusScope(CommandOutput& io) {
    if (io.progress) terminal_.emplace(io.err);
  }

 private:
  std::optional<TerminalStatus> terminal_;
};

std::vector<int> AllIndices(const ServerList& servers) {
  std::vector<int> rows;
  for (int i = 0; i < servers.Count(); ++i) rows.push_back(i);
  return rows;
}

}  // namespace

int QueryServers(const std::vector<std::string>& addresses, const Settings& settings, bool json,
                 CommandOutput& io, std::chrono::milliseconds firstWait) {
  ServerList servers;
  bool allGood = !addresses.empty();
  for (const std::string& text : addresses) {
    std::string host;
    std::uint16_t port = kDefaultPort;
    if (!SplitHostPort(text, kDefaultPort, host, port)) {
      io.err << "vykfind: not a server address: " << PrintableText(text) << "\n";
      allGood = false;
      continue;
    }
    servers.Add(ServerInfo(host, port));
  }
  {
    StatusScope status(io);
    SilentView view;
    RefreshAll(servers, settings, view, true, firstWait);
  }
  Settings plain = settings;
  plain.copyIrcFormat = 0;
  for (int i = 0; i < servers.Count(); ++i) {
    const ServerInfo& record = servers.At(i);
    // Query's own result: an answer that carried pairs or player lines.
    if (!record.queried || record.IsTimedOut() ||
        (record.info.empty() && record.PlayerCount() == 0))
      allGood = false;
    if (!json) io.out << PrintableText(SummaryLine(record, plain)) << "\n";
  }
  if (json) io.out << ServersJson(servers, AllIndices(servers));
  io.out.flush();
  return allGood ? 0 : 1;
}

int RefreshServers(Settings& settings, const std::string& listFile, bool showAll, bool json,
                   CommandOutput& io, std::chrono::milliseconds firstWait) {
  const std::string path = listFile.empty() ? settings.serverListPath : listFile;
  ServerList servers;
  if (!LoadServerListFile(servers, true, path)) {
    io.err << "vykfind: cannot read the server list " << PrintableText(path) << "\n";
    return 1;
  }
  BuddyList buddies;
  buddies.Load(settings.buddyListPath);
  ServerRows rows(settings.lastServerSort);
  {
    StatusScope status(io);
    SilentView view;
    RefreshAll(servers, settings, view, showAll, firstWait);
    rows.Rebuild(servers, buddies, settings, showAll);
    if (rows.SortKey() != kSortNone) StoreLastServerSort(settings, rows.SortKey());
  }
  if (json)
    io.out << ServersJson(servers, rows.Indices());
  else
    io.out << FormatServerTable(servers, rows.Indices());
  io.out.flush();
  return 0;
}

int ListMasterServers(const Settings& settings, const std::vector<std::string>& masterTexts,
                      const std::vector<std::string>& protocols, bool json, CommandOutput& io,
                      const MasterWaits& waits) {
  std::vector<MasterAddress> masters;
  for (const std::string& text : masterTexts) {
    masters.push_back(ParseMasterAddress(text, settings.masterServerPort));
    if (!masters.back().valid) {
      io.err << "vykfind: not a master address: " << PrintableText(text) << "\n";
      return 2;
    }
  }
  if (masters.empty()) masters = ConfiguredMasters(settings);
  const std::vector<std::string> wanted =
      protocols.empty() ? ConfiguredProtocols(settings) : protocols;
  MasterHarvest harvest;
  {
    StatusScope status(io);
    ScopedStatus announce("Requesting servers from " +
                          (masters.size() == 1 ? masters[0].Address()
                                               : std::to_string(masters.size()) + " masters"));
    const bool classic = AsksOneMasterOnly(settings) && masters.size() == 1 && wanted.size() == 1;
    harvest = AskMasters(masters, wanted, classic, waits);
  }
  std::vector<MasterJsonRow> rows;
  for (const MasterOutcome& m : harvest.masters) {
    rows.push_back({m.master.Address(), m.servers, m.answered});
    io.err << PrintableText(m.master.Address()) << ": "
           << (m.answered ? std::to_string(m.servers) + " servers" : std::string("no answer"))
           << "\n";
  }
  std::vector<std::string> addresses;
  for (const MasterEntry& entry : harvest.entries)
    addresses.push_back(JoinHostPort(MasterEntryHost(entry), MasterEntryPort(entry)));
  if (json) {
    io.out << MasterJson(rows, wanted, addresses);
  } else {
    for (const std::string& address : addresses) io.out << address << "\n";
  }
  io.out.flush();
  return harvest.Answered() > 0 ? 0 : 1;
}

int SendRemoteCommand(const std::string& address, const std::string& password,
                      const std::string& command, CommandOutput& io,
                      std::chrono::milliseconds firstWait) {
  std::string host;
  std::uint16_t port = kDefaultPort;
  if (!SplitHostPort(address, kDefaultPort, host, port)) {
    io.err << "vykfind: not a server address: " << PrintableText(address) << "\n";
    return 2;
  }
  ServerInfo server(host, port);
  std::optional<std::string> answer;
  {
    StatusScope status(io);
    answer = RunRemoteCommand(server, password, command, firstWait);
  }
  if (!answer || answer->empty()) {
    io.err << "vykfind: no answer from " << PrintableText(server.Address()) << "\n";
    return 1;
  }
  // The output edit wants "\r\r\n"; a terminal wants plain line feeds.
  std::string text;
  for (std::size_t i = 0; i < answer->size(); ++i) {
    if (answer->compare(i, 3, "\r\r\n") == 0) {
      text += '\n';
      i += 2;
    } else {
      text += (*answer)[i];
    }
  }
  io.out << PrintableText(text, true);
  if (text.back() != '\n') io.out << "\n";
  io.out.flush();
  return 0;
}

}  // namespace vyk
