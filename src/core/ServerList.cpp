#include "core/ServerList.h"

namespace vyk {

ServerList::ServerList() : default_(kDefaultHost, kDefaultPort) {}

const ServerInfo& ServerList::At(int index) const {
  if (index < 0 || index >= Count()) return default_;
  return servers_[static_cast<std::size_t>(index)];
}

ServerInfo& ServerList::At(int index) {
  if (index < 0 || index >= Count()) {
    // A caller may have written into the default record through a stale
    // index; hand out a clean one (the cached name stays).
    default_.info.clear();
    default_.players.Clear();
    default_.host = kDefaultHost;
    default_.port = kDefaultPort;
    default_.ping = kNoPing;
    default_.buddyCount = 0;
    default_.password.clear();
    default_.queried = false;
    return default_;
  }
  return servers_[static_cast<std::size_t>(index)];
}

int ServerList::Add(const ServerInfo& record) {
  servers_.push_back(record);
  return Count() - 1;
}

int ServerList::AddUnique(const ServerInfo& record) {
  for (int i = 0; i < Count(); ++i)
    if (servers_[static_cast<std::size_t>(i)].Matches(record)) return i;
  return Add(record);
}

void ServerList::RemoveMatching(const ServerInfo& record) {
  for (auto it = servers_.begin(); it != servers_.end(); ++it) {
    if (it->Matches(record)) {
      servers_.erase(it);
      return;
    }
  }
}

void ServerList::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return;
  servers_.erase(servers_.begin() + index);
}

}  // namespace vyk
