#pragma once
#include <QAbstractTableModel>
#include <cstdint>
#include <string>
#include <vector>

namespace vyk {

// The rows of a SkinnedListCtrl as the list reads them: per row an item datum (the index of
// whatever the row shows) and the texts of its cells. Where the rows are kept is the
// concrete model's business: SkinnedRowStore keeps them itself, a view over the program's
// logic reads that logic's rows. No item object per cell, so ten thousand rows are built
// and sorted in a few milliseconds.
class SkinnedListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  struct Column {
    std::string title;
    int width = 0;
  };

  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  int InsertColumn(int index, const std::string& title, int width);
  const std::vector<Column>& Columns() const { return columns_; }

  // While a batch is open rows change without per-row notifications; closing the
  // outermost batch resets the model once.
  void BeginBatch();
  void EndBatch();
  bool InBatch() const { return batch_ > 0; }

  virtual int RowCount() const = 0;
  // -1 for a row that does not exist.
  virtual std::intptr_t RowData(int row) const = 0;
  // Empty when the row or the cell does not exist.
  virtual const std::string& Text(int row, int column) const = 0;
  // -1 when no row carries data.
  virtual int FindRow(std::intptr_t data) const;

 protected:
  // A column was inserted at the index, before the views hear of it.
  virtual void ColumnInserted(int) {}

 private:
  std::vector<Column> columns_;
  int batch_ = 0;
};

}  // namespace vyk
