#pragma once
#include <QTreeView>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/ConfigFile.h"
#include "ui/widgets/PopupMenu.h"

namespace vyk {

class SkinnedHeaderCtrl;
class SkinnedListModel;
class SkinnedRowStore;

// Owner-drawn report list in the skin's colours. Rows carry an item datum (usually an
// index into the list the concrete view shows) and cell texts; concrete lists override
// DrawCell / CellText / DrawRowBackground to paint their rows. Drawing order of a row:
// fill with bgColor, DrawRowBackground, DrawCell for each column left to right, then in
// selection style kFramedSelection a sunken one-pixel frame around a selected row.
// The list keeps its rows itself (InsertRow, DeleteRow, SetItemText, SortRows), unless a
// concrete view brings a model that reads them from elsewhere: those four then change nothing.
class SkinnedListCtrl : public QTreeView {
  Q_OBJECT
 public:
  static constexpr int kTooltipMax = 79;
  // Selection styles: a sunken frame marks selected rows, or their text is drawn in
  // selectedTextColor.
  static constexpr int kFramedSelection = 0;
  static constexpr int kColouredSelection = 1;

  SkinnedListCtrl(const Settings& settings, QWidget* parent = nullptr);
  ~SkinnedListCtrl() override;

  const Settings& GetSettings() const { return settings_; }

  // Columns.
  int InsertColumn(int index, const std::string& title, int width);
  int ColumnCount() const;

  // Rows. Between BeginRowBatch and EndRowBatch inserts and deletes cost no signals; use
  // it for whole rebuilds, and around any change of rows a brought model reads.
  // Positions are clamped to the end of the list.
  void BeginRowBatch();
  void EndRowBatch();
  int InsertRow(int pos, const std::string& text, std::intptr_t data);
  void DeleteRow(int row);
  void DeleteAllRows();
  int RowCount() const;
  std::intptr_t RowData(int row) const;   // -1 for a row that does not exist
  int FindRow(std::intptr_t data) const;  // -1 when no row carries data
  void SetItemText(int row, int column, const std::string& text);  // redraws lazily
  const std::string& ItemText(int row, int column) const;          // empty when absent
  // Repaints the row now (erase and paint at once).
  void RedrawRow(int row);
  // Stable sort of the rows by their item data; the selection follows its rows.
  void SortRows(const std::function<bool(std::intptr_t, std::intptr_t)>& less);

  // Selection.
  std::vector<int> SelectedRows() const;  // ascending
  bool IsRowSelected(int row) const;
  void SetRowSelected(int row, bool selected);
  void EnsureRowVisible(int row);
  int TopRow() const;
  // Row and column under a point of the viewport; -1 when none.
  int RowAt(const QPoint& viewportPos) const;
  int ColumnAt(const QPoint& viewportPos) const;
  QRect CellRect(int row, int column) const;  // viewport coordinates

  // Rows kept in ascending order of their column-0 text, letter case ignored: InsertRow
  // then ignores the position it is given.
  void SetSortAscending(bool on) { sortAscending_ = on; }
  bool SortAscending() const { return sortAscending_; }

  // Any style but kColouredSelection is kFramedSelection.
  void SetSelectionStyle(int style);
  int SelectionStyle() const { return selectionStyle_; }

  // The header highlights this column's title (the current sort key); -1 none.
  void SetSortColumn(int column);
  int SortColumn() const;
  SkinnedHeaderCtrl* Header() const { return header_; }

  // Right button: default handling (selects the row), then this menu at the cursor; the
  // chosen id goes to the containing SkinnedDialog's OnCommand and to popupCommand.
  void SetPopupMenu(const std::vector<MenuItemTemplate>& items) { menu_ = items; }

  // Tooltip of a cell: CellText cut to kTooltipMax characters, then CellNote on a line of
  // its own when there is one; empty shows none.
  QString TooltipText(int row, int column) const;

  int RowHeight() const { return rowHeight_; }
  void SetRowHeight(int pixels);

  // Width of the client area (without a shown vertical scroll bar) and of a vertical
  // scroll bar, as the column-width rules count them.
  int ClientWidth() const;
  int ScrollBarWidth() const;
  // Column 0 after a size change when there are at least two columns.
  static int FirstColumnWidth(int clientWidth, int scrollBarWidth, int otherColumnsWidth);

  // Re-reads the colours from the settings (also done at every paint when they changed).
  void ApplyColours();

  // Overridables, called while painting. The painter's pen is the current text colour
  // (textColor when DrawItem starts) and its font the list's.
  virtual void DrawItem(QPainter& painter, int row, const QRect& rowRect);
  virtual void DrawCell(QPainter& painter, int row, int column, const QRect& cellRect);
  virtual std::string CellText(int row, int column) const;
  virtual std::string CellNote(int row, int column) const;
  virtual void DrawRowBackground(QPainter& painter, int row, const QRect& rowRect);

 signals:
  void rowClicked(int row, int column);
  void rowDoubleClicked(int row, int column);
  void rowSelected(int row);  // a row gained the selected state
  void headerClicked(int column);
  void keyPressed(int key);
  void popupCommand(int id);

 protected:
  // A view whose rows live elsewhere: the list reads them through this model (its own).
  SkinnedListCtrl(const Settings& settings, SkinnedListModel* model, QWidget* parent);

  // Reorders the rows by running reorder in a row batch; the selection and the current
  // row follow their item data.
  void ReorderRows(const std::function<void()>& reorder);
  // Repaints the row's cells later, unless a row batch is open.
  void UpdateRowCells(int row);

  void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowPopup(const QPoint& globalPos);
  void ApplyFirstColumnRule();

  const Settings& settings_;
  SkinnedListModel* model_;
  SkinnedRowStore* store_;  // model_ when the list keeps its rows, else null
  SkinnedHeaderCtrl* header_;
  int selectionStyle_ = kFramedSelection;
  bool sortAscending_ = false;
  int rowHeight_ = 0;
  std::vector<MenuItemTemplate> menu_;
  Color appliedBg_ = 0xFFFFFFFFu;
  Color appliedText_ = 0xFFFFFFFFu;
  bool inDoubleClick_ = false;  // from a double-click to its release
  QSize columnsSize_;           // the list's size at set-up or at the last resize
};

}  // namespace vyk
