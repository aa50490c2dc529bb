#pragma once
// The browser's state: the servers, the buddies, the rows shown with their sort key,
// and the current server. A window owns one; its list views draw from it.
#include <vector>

#include "core/NameList.h"
#include "core/ServerList.h"
#include "core/ServerRows.h"

namespace vyk {

class ServerBrowser {
 public:
  explicit ServerBrowser(int sortKey = kSortByPing) : rows_(sortKey) {}

  ServerList& Servers() { return servers_; }
  const ServerList& Servers() const { return servers_; }
  NameList& Buddies() { return buddies_; }
  const NameList& Buddies() const { return buddies_; }
  ServerRows& Rows() { return rows_; }
  const ServerRows& Rows() const { return rows_; }
  int SortKey() const { return rows_.SortKey(); }

  // Server index of the current server; -1 when there is none.
  int Current() const { return current_; }
  void SetCurrent(int index) { current_ = index; }
  // The current server's record; only while Current() is not -1.
  ServerInfo& CurrentRecord() { return servers_.At(current_); }

  // Removes the servers at these indices (repeats and indices out of range are
  // skipped). False when there was none to remove.
  bool RemoveIndices(std::vector<int> indices);
  // Removes every server whose query timed out. False when none had.
  bool RemoveTimedOut();

 private:
  ServerList servers_;
  NameList buddies_;
  ServerRows rows_;
  int current_ = -1;
};

}  // namespace vyk
