#include "core/ServerBrowser.h"

#include <algorithm>
#include <functional>

namespace vyk {

bool ServerBrowser::RemoveIndices(std::vector<int> indices) {
  std::erase_if(indices, [this](int i) { return i < 0 || i >= servers_.Count(); });
  if (indices.empty()) return false;
  // Highest first, so each removal leaves the indices still to go in place.
  std::sort(indices.begin(), indices.end(), std::greater<>());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  for (int index : indices) servers_.RemoveAt(index);
  return true;
}

bool ServerBrowser::RemoveTimedOut() {
  ServerList doomed;
  for (int i = 0; i < servers_.Count(); ++i)
    if (servers_.At(i).IsTimedOut()) doomed.AddUnique(servers_.At(i));
  if (doomed.Count() == 0) return false;
  for (int i = 0; i < doomed.Count(); ++i) servers_.RemoveMatching(doomed.At(i));
  return true;
}

}  // namespace vyk
