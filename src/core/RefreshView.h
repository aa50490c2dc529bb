#pragma once
// What a refresh needs of the server list view. The view implements it on the
// user-interface thread; the refresh calls it only from the thread that runs
// RefreshAll or RefreshOne, never from a worker.

namespace vyk {

enum class RefreshCursor {
  kAppStarting,  // arrow with hourglass: workers are being started
  kWait,         // hourglass: waiting for the last answers
  kArrow,        // normal
};

class RefreshView {
 public:
  virtual ~RefreshView() = default;

  // Rewrite and redraw at once the row carrying this server index, if one
  // does; recompute the record's buddy count first when it has players.
  virtual void UpdateRow(int index) = 0;
  // Delete every row, add one per server that passes the filters (every
  // server when showAll), then sort by the current key unless it is 8.
  virtual void RebuildRows(bool showAll) = 0;
  // Select the row(s) carrying the index.
  virtual void SelectRow(int index) = 0;

  virtual void SetCursor(RefreshCursor cursor) = 0;
  // Stop or resume drawing of the list around a rebuild.
  virtual void SetDrawingFrozen(bool frozen) = 0;
  // Handle pending paint events (not input), so the blocked window stays
  // drawn. Called between waits, at least every few tens of milliseconds.
  virtual void KeepPainted() = 0;
};

}  // namespace vyk
