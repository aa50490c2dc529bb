#include "launch/ConnectSequence.h"

#include <optional>
#include <utility>

#include "config/ConfigFile.h"
#include "core/Refresh.h"
#include "core/ServerCache.h"
#include "core/ServerInfo.h"
#include "core/StatusLine.h"
#include "launch/ConnectCommandLine.h"
#include "launch/ConnectHost.h"
#include "launch/GameFiles.h"
#include "launch/GameStarter.h"
#include "launch/ProtocolSwitch.h"

namespace vyk {

namespace {

// The status line is only announced for a listed server.
Outcome Stop(Outcome failure, std::optional<ScopedStatus>& status) {
  return status ? std::move(failure).KeepingStatus(*status) : std::move(failure);
}

}  // namespace

Outcome ConnectToCurrentServer(ServerInfo& server, const Settings& settings,
                               const std::string& alias, ConnectHost& host, GameStarter& starter,
                               std::chrono::milliseconds firstWait, const ConnectOptions& options) {
  const GameFiles files(settings.gamePath);
  const std::string& dir = files.directory;
  const std::string& file = files.file;
  std::optional<ScopedStatus> status;
  if (options.requery) status.emplace("Connceting to server :" + server.Address());

  const std::string protocol = server.InfoValue("protocol");
  if (options.requery && settings.switchProtocol != 0 && !protocol.empty()) {
    if (Outcome switched = SwitchToProtocol(files, protocol); !switched)
      return Stop(std::move(switched), status);
  }
  // Found as the protocol switch finds the file it replaced.
  std::string game = file.empty() ? std::string() : files.Find(file);
  if (game.empty()) {
    if (options.requireGame)
      return Stop(Outcome::Failure("Unable to find :\n" + dir + file), status);
    game = file;
  }

  std::string password = options.password;
  const int attempts = EffectiveQueryAttempts(settings);
  if (options.requery) {
    host.RefreshCurrentRow();
    host.QueryServer(server, firstWait, attempts);
    if (server.NeedsPassword()) password = host.AskServerPassword(server);
  }

  IncrementConnectCount(server.Address());
  if (!options.requery) host.QueryServer(server, firstWait, attempts);
  const std::string line =
      BuildConnectCommandLine(server, password, settings, alias) + options.extraParameters;
  RecordLastRun(line);
  const bool started = starter.StartGame(game, line, dir);
  if (settings.minimize != 0) host.MinimizeMainWindow();
  return started ? Outcome() : Outcome::Failure();
}

}  // namespace vyk
