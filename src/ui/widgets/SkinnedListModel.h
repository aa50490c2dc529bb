#pragma once
#include <QAbstractTableModel>
#include <cstdint>
#include <string>
#include <vector>

namespace vyk {

// The rows of a SkinnedListCtrl: per row an item datum (the index of whatever the row
// shows) and the texts of its cells. No item object per cell, so ten thousand rows are
// built and sorted in a few milliseconds.
class SkinnedListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  struct Row {
    std::intptr_t data = 0;
    std::vector<std::string> texts;
  };
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

  int InsertRow(int pos, const std::string& text, std::intptr_t data);
  void RemoveRow(int row);
  void Clear();
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const Row* RowAt(int row) const;
  bool SetText(int row, int column, const std::string& text);
  std::vector<Row>& MutableRows() { return rows_; }

 private:
  std::vector<Row> rows_;
  std::vector<Column> columns_;
  int batch_ = 0;
};

}  // namespace vyk
