#pragma once
// The rows of a server list view: the server indices shown, in display order,
// and the sort key in force. The view draws row r from servers.At(IndexAt(r)).
#include <string>
#include <vector>

#include "core/NameList.h"
#include "core/ServerFilter.h"
#include "core/ServerList.h"
#include "core/ServerSearch.h"

namespace vyk {

struct Settings;

class ServerRows {
 public:
  explicit ServerRows(int sortKey = kSortByPing) : sortKey_(sortKey) {}

  int Count() const { return static_cast<int>(indices_.size()); }
  // Server index of a row; -1 out of range.
  int IndexAt(int row) const;
  // Row carrying a server index; -1 when none does.
  int RowOf(int index) const;
  const std::vector<int>& Indices() const { return indices_; }
  int SortKey() const { return sortKey_; }

  void Clear() { indices_.clear(); }
  // Inserts a row carrying the index at the position, clamped to the end.
  // False, and nothing inserted, when a row carries the index already.
  bool Insert(int row, int index);

  // Recomputes the record's buddy count when it has players, then adds a row
  // for it (at the end) when it passes the filters or showAll is set.
  bool AddIfShown(ServerList& servers, int index, const NameList& buddies, const Settings& settings,
                  bool showAll);
  // Every row again, in list order through AddIfShown, then sorted by the
  // current key unless it is kSortNone. The caller remembers the key, as after SortBy.
  void Rebuild(ServerList& servers, const NameList& buddies, const Settings& settings,
               bool showAll);
  // Makes the key current and sorts the rows by it (stable: rows equal for the
  // key keep their order). The caller stores it as lastServerSort.
  void SortBy(int key, const ServerList& servers);

  // The search field: from now on a row also needs the needle (SearchNeedle)
  // in its server's haystack; "" lets every row through. Rebuilds and
  // Refilter apply it, the filters' showAll included.
  void SetSearch(std::string needle) { search_ = std::move(needle); }
  const std::string& Search() const { return search_; }
  // The record as its row was written last: what the search looks through.
  void NoteWritten(int index, const ServerInfo& record);
  // Whether the server's haystack holds the needle, and through which player.
  SearchMatch MatchOf(int index, const ServerInfo& record);
  // The rows again for a keystroke: the filters (unless the last rebuild showed
  // all) and the search over the records as they are, buddy counts as they
  // were, then sorted.
  void Refilter(const ServerList& servers, const Settings& settings);

 private:
  bool IsShown(int index, ServerInfo& record, const NameList& buddies, const Settings& settings,
               bool showAll);
  const std::string& HaystackOf(int index, const ServerInfo& record);

  std::vector<int> indices_;
  int sortKey_;
  std::string search_;
  bool showAll_ = false;  // of the last rebuild
  std::vector<std::string> haystacks_;  // by server index; "" until made
  std::vector<bool> haystackMade_;
};

}  // namespace vyk
