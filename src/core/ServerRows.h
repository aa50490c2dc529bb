#pragma once
// The rows of a server list view: the server indices shown, in display order,
// and the sort key in force. The view draws row r from servers.At(IndexAt(r)).
#include <vector>

#include "core/NameList.h"
#include "core/ServerFilter.h"
#include "core/ServerList.h"

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

 private:
  static bool IsShown(ServerInfo& record, const NameList& buddies, const Settings& settings,
                      bool showAll);

  std::vector<int> indices_;
  int sortKey_;
};

}  // namespace vyk
