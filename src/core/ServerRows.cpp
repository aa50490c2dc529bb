#include "core/ServerRows.h"

#include <algorithm>

#include "config/Settings.h"
#include "core/BuddyMatch.h"
#include "core/StatusLine.h"

namespace vyk {
namespace {

// Stable bottom-up merge sort. Compare reads cache.srv for some keys, so two
// comparisons of the same pair may disagree if the file changes under us;
// every loop here checks its bounds, so that can only give an odd order,
// never a run past the ends as an unguarded insertion step could.
template <typename Before>
void StableMergeSort(std::vector<int>& items, Before before) {
  const std::size_t n = items.size();
  std::vector<int> buffer(n);
  for (std::size_t width = 1; width < n; width *= 2) {
    for (std::size_t lo = 0; lo < n; lo += 2 * width) {
      const std::size_t mid = std::min(lo + width, n);
      const std::size_t hi = std::min(lo + 2 * width, n);
      std::size_t left = lo, right = mid, out = lo;
      while (left < mid && right < hi) {
        // Take from the right only when strictly before, so ties keep order.
        if (before(items[right], items[left]))
          buffer[out++] = items[right++];
        else
          buffer[out++] = items[left++];
      }
      while (left < mid) buffer[out++] = items[left++];
      while (right < hi) buffer[out++] = items[right++];
    }
    items.swap(buffer);
  }
}

}  // namespace

int ServerRows::IndexAt(int row) const {
  if (row < 0 || row >= Count()) return -1;
  return indices_[static_cast<std::size_t>(row)];
}

int ServerRows::RowOf(int index) const {
  auto it = std::find(indices_.begin(), indices_.end(), index);
  return it == indices_.end() ? -1 : static_cast<int>(it - indices_.begin());
}

bool ServerRows::Insert(int row, int index) {
  if (RowOf(index) != -1) return false;
  const int at = std::clamp(row, 0, Count());
  indices_.insert(indices_.begin() + at, index);
  return true;
}

bool ServerRows::AddIfShown(ServerList& servers, int index, const NameList& buddies,
                            const Settings& settings, bool showAll) {
  if (index < 0 || index >= servers.Count()) return false;
  return IsShown(servers.At(index), buddies, settings, showAll) && Insert(index, index);
}

bool ServerRows::IsShown(ServerInfo& record, const NameList& buddies, const Settings& settings,
                         bool showAll) {
  if (record.PlayerCount() > 0) record.buddyCount = CountBuddies(record.players, buddies);
  return showAll || PassesFilters(record, settings);
}

void ServerRows::Rebuild(ServerList& servers, const NameList& buddies, Settings& settings,
                         bool showAll) {
  ScopedStatus status("Align ServerList");
  indices_.clear();
  indices_.reserve(static_cast<std::size_t>(servers.Count()));
  // Rows come in list order, so each lands at the end: no insert search.
  for (int i = 0; i < servers.Count(); ++i) {
    if (IsShown(servers.At(i), buddies, settings, showAll)) indices_.push_back(i);
  }
  if (sortKey_ != kSortNone) SortBy(sortKey_, servers, settings);
}

void ServerRows::SortBy(int key, const ServerList& servers, Settings& settings) {
  ScopedStatus status("Sorting Server List");
  sortKey_ = key;
  StableMergeSort(indices_,
                  [&](int a, int b) { return Compare(servers.At(a), servers.At(b), key) < 0; });
  settings.lastServerSort = key;
  WriteProfileInt("info", "LastServerSort", key);
}

}  // namespace vyk
