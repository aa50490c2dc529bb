#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/BuddyList.h"
#include "core/RefreshView.h"
#include "core/ServerBrowser.h"
#include "core/ServerCellColor.h"
#include "ui/widgets/SkinnedListCtrl.h"

namespace vyk {

// One row per shown server, tied to its server index. The main window's list
// (MainDialog::kServerList) and the server list editor's list (kColouredSelection, plain
// cells) are both this view. It shows the servers, buddies and rows of a browser its
// window owns, and is what a refresh redraws.
class ServerListView : public SkinnedListCtrl, public RefreshView {
  Q_OBJECT
 public:
  static constexpr int kNameIndent = 16;

  ServerListView(Settings& settings, ServerBrowser& browser, QWidget* parent = nullptr);

  ServerBrowser& Browser() const { return browser_; }
  ServerList& Servers() const { return browser_.Servers(); }
  BuddyList& Buddies() const { return browser_.Buddies(); }
  int SortKey() const { return browser_.SortKey(); }
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
  // Puts the view's rows into the order of the browser's rows.
  void MirrorRows(bool rebuild);

  Settings& settings_;
  ServerBrowser& browser_;
  std::vector<RowLook> looks_;  // by server index
  bool columnsSet_ = false;
};

}  // namespace vyk
