#include "launch/ConnectCommandLine.h"

#include "config/ConfigFile.h"
#include "core/ServerInfo.h"

namespace vyk {

bool IsPlainFolderName(const std::string& text) {
  // Not "." and no ".." anywhere: older Windows read "..." as two folders up, and no
  // mod folder needs two dots in a row. A leading "-" would read as an option to a
  // launcher script in front of the game.
  if (text.empty() || text == "." || text.find("..") != std::string::npos || text[0] == '-')
    return false;
  for (char c : text) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '_' || c == '-' || c == '.';
    if (!plain) return false;
  }
  return true;
}

std::string BuildConnectCommandLine(const ServerInfo& server, const std::string& password,
                                    const Settings& settings, const std::string& alias) {
  std::string line = "+connect " + server.Address();
  if (settings.useFsGame != 0) {
    std::string mod = server.InfoValue("gamename");
    if (IsPlainFolderName(mod)) line = "+set fs_game " + mod + " " + line;
  }
  if (!settings.param.empty()) line += " " + settings.param;
  if (settings.useAlias != 0 && !alias.empty()) line += " +name \"" + alias + "\"";
  if (!password.empty()) line += " +password " + password;
  return line;
}

void RecordLastRun(const std::string& commandLine) {
  WriteProfileString("DEBUG", "Lastrun", commandLine);
}

}  // namespace vyk
