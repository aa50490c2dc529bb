#pragma once
#include <chrono>
#include <string>

#include "core/AnswerWait.h"
#include "core/Outcome.h"

namespace vyk {

class ConnectHost;
class GameStarter;
class ServerInfo;
struct Settings;

// How a connect to an address typed by hand differs from one to a listed server.
struct ConnectOptions {
  // Listed: status line, protocol switch, row refresh, re-query and password
  // prompt. Typed: none of these; the record is counted first and then queried
  // once (its answer only feeds fs_game), and `password` goes as given.
  bool requery = true;
  // A missing game file stops with "Unable to find"; without the test the
  // start simply fails.
  bool requireGame = true;
  std::string password;
  // Appended directly to the command line, so `param` may come twice.
  std::string extraParameters;
};

// The connect command: protocol switch, existence of the game, re-query,
// password prompt, launch count, [DEBUG] Lastrun, game start, minimise.
// `server` is the current record (the list's default record when no row is
// current; the host then skips the row refresh), `alias` the chosen alias or
// "". Done when the game process started. A failed switch or a missing game
// fails with its message, kept over "Connceting to server :"; a failed start
// has nothing to show. firstWait is the query's (ServerInfo::Query).
Outcome ConnectToCurrentServer(ServerInfo& server, const Settings& settings,
                               const std::string& alias, ConnectHost& host, GameStarter& starter,
                               std::chrono::milliseconds firstWait = kAnswerWait,
                               const ConnectOptions& options = {});

}  // namespace vyk
