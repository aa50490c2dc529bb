#pragma once
#include <chrono>
#include <functional>
#include <string>

#include "config/BuddyList.h"
#include "core/RefreshView.h"
#include "core/ServerBrowser.h"
#include "core/ServerCellColor.h"
#include "ui/ServerRowsModel.h"
#include "ui/widgets/SkinnedListCtrl.h"

namespace vyk {

// One row per shown server, tied to its server index. The main window's list
// (MainDialog::kServerList) and the server list editor's list (kColouredSelection, plain
// cells) are both this view. It shows the servers, buddies and rows of a browser its
// window owns, and is what a refresh redraws. Its rows, and their order, are the browser's
// (read through ServerRowsModel); it changes them only inside a row batch.
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
  int IndexAt(int row) const { return browser_.Rows().IndexAt(row); }

  // Menu, columns, and the sort key of the last run.
  void SetUpColumns();
  // Makes the key current, sorts the rows by it and remembers it in Config.ini.
  void SortBy(int key);
  // No rows until the next rebuild.
  void ClearRows();
  // The search field's text: only the servers it finds keep a row (with the
  // filters of the last rebuild), in the current order; the selection stays.
  void ApplySearch(const std::string& typed);
  int RowOf(int index) const { return browser_.Rows().RowOf(index); }
  void SelectByAddress(const std::string& address);
  // From the local network scan when localOnly is set, else from the server list file;
  // then every server gets a row.
  void ReloadServers();
  bool SaveServers() const;
  void DeleteSelected();
  void RemoveTimedOut();
  std::string SummaryLineAt(int index) const;
  // Every server queried again, the window titled "Refresh ... please wait" and the button
  // disabled meanwhile. The caller has made the window busy.
  void RefreshServers(QWidget& button, bool showAll, std::chrono::milliseconds firstWait);

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
  std::string CellNote(int row, int column) const override;

  // The tooltip of the record's row.
  static std::string TooltipOf(const ServerInfo& record);

 protected:
  // A refresh's workers write records while the window paints, so painting and tooltips
  // read only the look and the texts written with the row, never the record.
  using RowLook = ServerRowLook;

  virtual void DrawStatusIcons(QPainter& painter, const RowLook& look, const QRect& cellRect);
  virtual void DrawFavoriteBox(QPainter& painter, bool ticked, const QRect& box);

 private:
  ServerListView(Settings& settings, ServerBrowser& browser, ServerRowsModel* model,
                 QWidget* parent);
  // Writes every cell of the row from its record (no status, no immediate repaint).
  void FillRow(int row, int index);
  // Runs change, which changes the browser's rows, in a row batch. The list paints nothing
  // meanwhile, as it reads those rows: the screen keeps what it showed until they are whole.
  void ChangeRows(const std::function<void()>& change, bool keepSelection);

  Settings& settings_;
  ServerBrowser& browser_;
  ServerRowsModel& model_;
  bool columnsSet_ = false;
};

}  // namespace vyk
