#pragma once
// The server list file: one address ("%s:%d" of host and port) a line, in
// the order of the ServerList.
#include <string>

#include "core/Outcome.h"
#include "core/ServerList.h"

namespace vyk {

struct Settings;

// Reads the file into the list (emptied first when clearFirst), one record per
// line through SetAddress, added with AddUnique. Blank lines are skipped. A
// file that cannot be opened leaves the list as it is and gives false.
bool LoadServerListFile(ServerList& list, bool clearFirst, const std::string& path);
// The same on settings.serverListPath.
bool LoadServerListFile(ServerList& list, bool clearFirst, const Settings& settings);

// Writes every record's address, in list order. When nothing was written, the
// failure's message is "Unable to Write :\n" and the path.
Outcome SaveServerListFile(const ServerList& list, const std::string& path);
// The same on settings.serverListPath.
Outcome SaveServerList(const ServerList& list, const Settings& settings);

}  // namespace vyk
