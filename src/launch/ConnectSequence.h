#pragma once
#include <chrono>
#include <string>

#include "core/AnswerWait.h"

namespace vyk {

class ConnectHost;
class GameStarter;
class ServerInfo;
struct Settings;

// The connect command: protocol switch, existence of the game, re-query,
// password prompt, launch count, [DEBUG] Lastrun, game start, minimise.
// `server` is the current record (the list's default record when no row is
// current; the host then skips the row refresh), `alias` the chosen alias or
// "". True when the game process started; a failed start shows nothing.
// firstWait is the re-query's (ServerInfo::Query).
bool ConnectToCurrentServer(ServerInfo& server, const Settings& settings, const std::string& alias,
                            ConnectHost& host, GameStarter& starter,
                            std::chrono::milliseconds firstWait = kAnswerWait);

}  // namespace vyk
