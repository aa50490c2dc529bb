#include "core/ServerList.h"

#include <utility>

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

int ServerList::Add(ServerInfo&& record) {
  servers_.push_back(std::move(record));
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

UniqueAdder::UniqueAdder(ServerList& list) : list_(list) {
  indexes_.reserve(static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) indexes_.emplace(Key(list.At(i)), i);
}

std::string UniqueAdder::Key(const ServerInfo& record) {
  // Host length first: no host or name text can make two keys meet.
  return std::to_string(record.host.size()) + ':' + record.host + ':' +
         std::to_string(record.port) + ':' + record.name;
}

int UniqueAdder::Find(const ServerInfo& record) const {
  const auto at = indexes_.find(Key(record));
  return at == indexes_.end() ? -1 : at->second;
}

int UniqueAdder::Added(int index) {
  // Keyed as the list holds it: a copy's name is read anew from the cache.
  // An earlier record with the same key keeps its place as the first match.
  indexes_.emplace(Key(list_.At(index)), index);
  return index;
}

int UniqueAdder::Add(const ServerInfo& record) {
  const int found = Find(record);
  return found >= 0 ? found : Added(list_.Add(record));
}

int UniqueAdder::Add(ServerInfo&& record) {
  const int found = Find(record);
  return found >= 0 ? found : Added(list_.Add(std::move(record)));
}

void ServerList::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return;
  servers_.erase(servers_.begin() + index);
}

}  // namespace vyk
