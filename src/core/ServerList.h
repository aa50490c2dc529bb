#pragma once
#include <vector>

#include "core/ServerInfo.h"

namespace vyk {

// Ordered records; `At` out of range returns a default record
// (127.0.0.1:27960, empty password) instead of failing.
class ServerList {
 public:
  ServerList();
  const ServerInfo& At(int index) const;
  ServerInfo& At(int index);
  int Count() const { return static_cast<int>(servers_.size()); }
  int Add(const ServerInfo& record);
  int AddUnique(const ServerInfo& record);
  void RemoveMatching(const ServerInfo& record);
  void RemoveAt(int index);  // nothing for an index out of range
  void Clear() { servers_.clear(); }

 private:
  std::vector<ServerInfo> servers_;
  ServerInfo default_;
};

}  // namespace vyk
