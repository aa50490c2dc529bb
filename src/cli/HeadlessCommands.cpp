#include "cli/HeadlessCommands.h"

#include <optional>
#include <ostream>

#include "config/BuddyList.h"
#include "config/ServerListFile.h"
#include "config/Settings.h"
#include "config/SummaryLine.h"
#include "core/Refresh.h"
#include "core/ServerJson.h"
#include "core/ServerRows.h"
#include "core/ServerTable.h"
#include "core/StatusLine.h"
#include "core/TextEncoding.h"
#include "discovery/MasterQuery.h"
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
  void ShowError(const std::string& text) override { err_ << "\n" << PrintableText(text) << "\n"; }

 private:
  std::ostream& err_;
  std::string text_ = "Ready";
};

// Without a terminal the status texts go nowhere; errors still reach err.
class QuietStatus : public StatusSink {
 public:
  explicit QuietStatus(std::ostream& err) : err_(err) { InstallStatusSink(this); }
  ~QuietStatus() override { InstallStatusSink(nullptr); }
  std::string StatusText() override { return "Ready"; }
  void SetStatusText(const std::string&) override {}
  void ShowError(const std::string& text) override { err_ << PrintableText(text) << "\n"; }

 private:
  std::ostream& err_;
};

// Installs the right status sink for the command's lifetime.
class StatusScope {
 public:
  explicit StatusScope(CommandOutput& io) {
    if (io.progress)
      terminal_.emplace(io.err);
    else
      quiet_.emplace(io.err);
  }

 private:
  std::optional<TerminalStatus> terminal_;
  std::optional<QuietStatus> quiet_;
};

std::vector<int> AllIndices(const ServerList& servers) {
  std::vector<int> rows;
  for (int i = 0; i < servers.Count(); ++i) rows.push_back(i);
  return rows;
}

}  // namespace

bool SplitHostPort(const std::string& text, std::uint16_t defaultPort, std::string& host,
                   std::uint16_t& port) {
  const auto colon = text.rfind(':');
  host = text.substr(0, colon);
  port = defaultPort;
  if (host.empty()) return false;
  if (colon == std::string::npos) return true;
  const std::string digits = text.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const long value = std::stol(digits);
  if (value < 1 || value > 65535) return false;
  port = static_cast<std::uint16_t>(value);
  return true;
}

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

int ListMasterServers(const Settings& settings, const std::string& master,
                      const std::string& protocol, bool json, CommandOutput& io) {
  std::string host = settings.masterServer;
  std::uint16_t port = settings.masterServerPort;
  if (!master.empty() && !SplitHostPort(master, settings.masterServerPort, host, port)) {
    io.err << "vykfind: not a master address: " << PrintableText(master) << "\n";
    return 2;
  }
  const std::string wanted = protocol.empty() ? settings.protocol : protocol;
  std::vector<std::string> addresses;
  {
    StatusScope status(io);
    ScopedStatus announce("Requesting servers from " + host + ":" + std::to_string(port));
    MasterQuery query(host, port);
    const int count = query.RequestServers(wanted);
    for (int i = 0; i < count; ++i) {
      const MasterEntry entry = query.EntryAt(i);
      addresses.push_back(MasterEntryHost(entry) + ":" + std::to_string(MasterEntryPort(entry)));
    }
  }
  if (json) {
    io.out << MasterJson(host + ":" + std::to_string(port), wanted, addresses);
  } else {
    for (const std::string& address : addresses) io.out << address << "\n";
  }
  io.out.flush();
  return addresses.empty() ? 1 : 0;
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
