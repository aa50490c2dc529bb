#include "core/ServerRows.h"

#include <algorithm>
#include <string>
#include <utility>

#include "core/BuddyMatch.h"
#include "core/ServerCache.h"
#include "core/Settings.h"
#include "core/StatusLine.h"
#include "platform/CountryLookup.h"

namespace vyk {

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
  return IsShown(index, servers.At(index), buddies, settings, showAll) && Insert(index, index);
}

bool ServerRows::IsShown(int index, ServerInfo& record, const NameList& buddies,
                         const Settings& settings, bool showAll) {
  if (record.PlayerCount() > 0) record.buddyCount = CountBuddies(record.players, buddies);
  if (!showAll && !PassesFilters(record, settings)) return false;
  return search_.empty() || MatchOf(index, record).found;
}

void ServerRows::Rebuild(ServerList& servers, const NameList& buddies, const Settings& settings,
                         bool showAll) {
  ScopedStatus status("Align ServerList");
  showAll_ = showAll;
  // A rebuild follows any change of the list: an index may now name another server.
  haystacks_.clear();
  haystackMade_.clear();
  indices_.clear();
  indices_.reserve(static_cast<std::size_t>(servers.Count()));
  // Rows come in list order, so each lands at the end: no insert search.
  for (int i = 0; i < servers.Count(); ++i) {
    if (IsShown(i, servers.At(i), buddies, settings, showAll)) indices_.push_back(i);
  }
  if (sortKey_ != kSortNone) SortBy(sortKey_, servers);
}

void ServerRows::Refilter(const ServerList& servers, const Settings& settings) {
  indices_.clear();
  for (int i = 0; i < servers.Count(); ++i) {
    const ServerInfo& record = servers.At(i);
    if ((showAll_ || PassesFilters(record, settings)) &&
        (search_.empty() || MatchOf(i, record).found))
      indices_.push_back(i);
  }
  if (sortKey_ != kSortNone) SortBy(sortKey_, servers);
}

void ServerRows::NoteWritten(int index, const ServerInfo& record) {
  if (index < 0) return;
  const auto at = static_cast<std::size_t>(index);
  if (at >= haystacks_.size()) {
    haystacks_.resize(at + 1);
    haystackMade_.resize(at + 1, false);
  }
  haystacks_[at] = SearchHaystack(record);
  haystackMade_[at] = true;
}

const std::string& ServerRows::HaystackOf(int index, const ServerInfo& record) {
  const auto at = static_cast<std::size_t>(index);
  if (at >= haystackMade_.size() || !haystackMade_[at]) NoteWritten(index, record);
  return haystacks_[at];
}

SearchMatch ServerRows::MatchOf(int index, const ServerInfo& record) {
  if (index < 0) return {};
  return FindInHaystack(HaystackOf(index, record), search_);
}

void ServerRows::SortBy(int key, const ServerList& servers) {
  ScopedStatus status("Sorting Server List");
  sortKey_ = key;
  if (key == kSortByConnectCount || key == kSortByFavorite) {
    // The order Compare gives, from one cache read per row instead of two per
    // comparison: nothing writes these values while the user-interface thread
    // sorts, and 10,000 rows would otherwise take seconds.
    std::vector<std::pair<int, int>> rows;  // value, server index
    rows.reserve(indices_.size());
    for (int index : indices_) {
      const std::string address = servers.At(index).Address();
      rows.emplace_back(key == kSortByConnectCount ? GetConnectCount(address) : IsFavorite(address),
                        index);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t r = 0; r < rows.size(); ++r) indices_[r] = rows[r].second;
  } else if (key == kSortByCountry) {
    // One lookup per row as well; rows without a country last.
    std::vector<std::pair<std::string, int>> rows;
    rows.reserve(indices_.size());
    for (int index : indices_) rows.emplace_back(CountryCode(servers.At(index).host), index);
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
      if (a.first.empty() || b.first.empty()) return !a.first.empty() && b.first.empty();
      return a.first < b.first;
    });
    for (std::size_t r = 0; r < rows.size(); ++r) indices_[r] = rows[r].second;
  } else {
    std::stable_sort(indices_.begin(), indices_.end(),
                     [&](int a, int b) { return Compare(servers.At(a), servers.At(b), key) < 0; });
  }
}

}  // namespace vyk
