#pragma once
#include <string>

namespace vyk {

class ServerInfo;
struct Settings;

// True for a bare folder name the game may take as fs_game: letters, digits,
// "_", "-" and "." only, not "." or starting with "-", and without ".." anywhere.
// The server chooses "gamename", so anything else could smuggle extra commands or
// a path onto the game's command line.
bool IsPlainFolderName(const std::string& text);

// The game's command line for `server`: fs_game part, "+connect", `param`,
// "+name" with `alias`, "+password"; each part only when it applies.
std::string BuildConnectCommandLine(const ServerInfo& server, const std::string& password,
                                    const Settings& settings, const std::string& alias);

// Keeps the last game command line as [DEBUG] Lastrun of Config.ini.
void RecordLastRun(const std::string& commandLine);

}  // namespace vyk
