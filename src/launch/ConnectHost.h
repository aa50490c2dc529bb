#pragma once
#include <chrono>
#include <string>

#include "core/ServerInfo.h"

namespace vyk {

// What the connect sequence needs from the window it runs for.
class ConnectHost {
 public:
  virtual ~ConnectHost() = default;
  // Re-queries the current server's row and redraws it (RefreshOne); does
  // nothing when no row is current.
  virtual void RefreshCurrentRow() = 0;
  // "Need Password" prompt, pre-filled with RememberedPassword; OK stores the
  // text with RememberPassword and returns it, Cancel returns "".
  virtual std::string AskServerPassword(const ServerInfo& server) = 0;
  virtual void MinimizeMainWindow() = 0;
  // The record's own query (attempts as a refresh makes them); a window may keep itself
  // painted meanwhile.
  virtual void QueryServer(ServerInfo& server, std::chrono::milliseconds firstWait, int attempts) {
    server.Query(firstWait, attempts);
  }
};

}  // namespace vyk
