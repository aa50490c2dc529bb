#include "launch/ConnectSequence.h"

#include "config/Settings.h"
#include "core/ServerCache.h"
#include "core/ServerInfo.h"
#include "core/StatusLine.h"
#include "launch/ConnectCommandLine.h"
#include "launch/ConnectHost.h"
#include "launch/GameFiles.h"
#include "launch/GameStarter.h"
#include "launch/ProtocolSwitch.h"

namespace vyk {

bool ConnectToCurrentServer(ServerInfo& server, const Settings& settings, const std::string& alias,
                            ConnectHost& host, GameStarter& starter,
                            std::chrono::milliseconds firstWait) {
  const auto [dir, file] = SplitGamePath(settings.gamePath);
  ScopedStatus status("Connceting to server :" + server.Address());

  const std::string protocol = server.InfoValue("protocol");
  if (settings.switchProtocol != 0 && !protocol.empty() &&
      !SwitchToProtocol(settings.gamePath, protocol)) {
    return false;
  }
  // Found as the protocol switch finds the file it replaced.
  const std::string game = file.empty() ? std::string() : FindNameNoCase(dir, file);
  if (game.empty()) {
    ShowErrorMessage("Unable to find :\n" + dir + file);
    return false;
  }

  host.RefreshCurrentRow();
  server.Query(firstWait);

  std::string password;
  if (server.NeedsPassword()) password = host.AskServerPassword(server);

  IncrementConnectCount(server.Address());
  RecordLastRun(BuildConnectCommandLine(server, password, settings, alias));
  bool started =
      starter.StartGame(game, BuildConnectCommandLine(server, password, settings, alias), dir);
  if (settings.minimize != 0) host.MinimizeMainWindow();
  return started;
}

}  // namespace vyk
