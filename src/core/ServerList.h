#pragma once
#include <string>
#include <unordered_map>
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
  // Appends the record itself, name included, where a copy would read the name
  // from the cache again: for records built a moment ago from their address.
  int Add(ServerInfo&& record);
  int AddUnique(const ServerInfo& record);
  void RemoveMatching(const ServerInfo& record);
  void RemoveAt(int index);  // nothing for an index out of range
  void Clear() { servers_.clear(); }

 private:
  std::vector<ServerInfo> servers_;
  ServerInfo default_;
};

// AddUnique for many records in turn, with the same indexes and order, but a
// match is found through a hash of the records already in the list instead of
// a scan: a master's long reply stays linear. The list must not change by any
// other way while the adder is in use.
class UniqueAdder {
 public:
  explicit UniqueAdder(ServerList& list);
  int Add(const ServerInfo& record);
  int Add(ServerInfo&& record);

 private:
  static std::string Key(const ServerInfo& record);
  // The index of the first record that matches, or -1.
  int Find(const ServerInfo& record) const;
  int Added(int index);

  ServerList& list_;
  std::unordered_map<std::string, int> indexes_;  // Matches key -> first index
};

}  // namespace vyk
