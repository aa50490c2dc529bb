#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/BuddyList.h"
#include "core/RefreshView.h"
#include "core/ServerCellColor.h"
#include "core/ServerList.h"
#include "core/ServerRows.h"
#include "ui/widgets/SkinnedListCtrl.h"

namespace vyk {

// One row per shown server, tied to its server index. The main window's list
// (MainDialog::kServerList) and the server list editor's list (kColouredSelection, plain
// cells) are both this view. It owns the servers it shows and the buddy list, and is what
// a refresh redraws.
class ServerListView : public SkinnedListCtrl, public RefreshView {
  Q_OBJECT
 public:
  static constexpr int kNameIndent = 16;

  ServerListView(Settings& settings, QWidget* parent = nullptr);

  ServerList& Servers() { return servers_; }
  const ServerList& Servers() const { return servers_; }
  BuddyList& Buddies() { return buddies_; }
  const BuddyList& Buddies() const { return buddies_; }
  int SortKey() const { return rows_.SortKey(); }
  // Server index of a row, -1 when the row does not exist.
  int IndexAt(int row) const { return static_cast<int>(RowData(row)); }

  // Menu, columns, and the sort key of the last run.
  void SetUpColumns();
  // Makes the key current, sorts the rows by it and remembers it in Config.ini.
  void SortBy(int key);
  bool AddRowIfShown(int index, bool showAll);
  int RowOf(int index) const { return FindRow(index); }
  void SelectByAddress(const std::string& address);
  // From the local network scan when localOnly is set, else from the server list file;
  // then every server gets a row.
  void ReloadServers();
  bool SaveServers() const;
  void DeleteSelected();
  void RemoveTimedOut();
  std::string SummaryLineAt(int index) const;

  // RefreshView.
  void UpdateRow(int index) override;
  void RebuildRows(bool showAll) override;
  void SelectRow(int index) override;
  void SetCursor(RefreshCursor cursor) override;
  void SetDrawingFrozen(bool frozen) override;
  void KeepPainted() override;

  // SkinnedListCtrl.
  void DrawCell(QPainter& painter, int row, int column, const QRect& cellRect) override;
  std::string CellText(int row, int column) const override;

  // The tooltip of the record's row.
  static std::string TooltipOf(const ServerInfo& record);

 protected:
  // What painting a row needs beyond its cell texts, copied from the record when the row
  // is written. A refresh's workers write records while the window paints, so painting
  // and tooltips read only this and the texts, never the record.
  struct RowLook {
    bool queried = false;
    bool timedOut = false;
    bool needsPassword = false;
    ServerCellLook cell;
    std::string tooltip;
  };

  virtual void DrawStatusIcons(QPainter& painter, const RowLook& look, const QRect& cellRect);
  virtual void DrawFavoriteBox(QPainter& painter, bool ticked, const QRect& box);

 private:
  // Writes every cell of the row from its record (no status, no immediate repaint).
  void FillRow(int row, int index);
  const RowLook& LookOf(int row) const;
  // Puts the view's rows into the order of rows_.
  void MirrorRows(bool rebuild);

  Settings& settings_;
  ServerList servers_;
  BuddyList buddies_;
  ServerRows rows_;
  std::vector<RowLook> looks_;  // by server index
  bool columnsSet_ = false;
};

}  // namespace vyk
