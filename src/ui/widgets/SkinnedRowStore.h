#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ui/widgets/SkinnedListModel.h"

namespace vyk {

// Rows a SkinnedListCtrl keeps itself: its InsertRow, DeleteRow, SetItemText and SortRows
// work on these.
class SkinnedRowStore : public SkinnedListModel {
  Q_OBJECT
 public:
  struct Row {
    std::intptr_t data = 0;
    std::vector<std::string> texts;
  };

  using SkinnedListModel::SkinnedListModel;

  int RowCount() const override { return static_cast<int>(rows_.size()); }
  std::intptr_t RowData(int row) const override;
  const std::string& Text(int row, int column) const override;

  int InsertRow(int pos, const std::string& text, std::intptr_t data);
  void RemoveRow(int row);
  void Clear();
  bool SetText(int row, int column, const std::string& text);
  std::vector<Row>& MutableRows() { return rows_; }

 protected:
  void ColumnInserted(int index) override;

 private:
  std::vector<Row> rows_;
};

}  // namespace vyk
