#include "ui/widgets/SkinnedListModel.h"

#include <algorithm>

#include "ui/widgets/TextCrossing.h"

namespace vyk {

int SkinnedListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int SkinnedListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant SkinnedListModel::data(const QModelIndex& index, int role) const {
  // Display text serves keyboard search and accessibility; painting reads the rows directly.
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= RowCount() ||
      index.column() >= columnCount())
    return {};
  return FromGameText(Text(index.row(), index.column()));
}

QVariant SkinnedListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= static_cast<int>(columns_.size()))
    return {};
  return FromGameText(columns_[section].title);
}

int SkinnedListModel::InsertColumn(int index, const std::string& title, int width) {
  index = std::clamp(index, 0, static_cast<int>(columns_.size()));
  beginInsertColumns(QModelIndex(), index, index);
  columns_.insert(columns_.begin() + index, Column{title, width});
  ColumnInserted(index);
  endInsertColumns();
  return index;
}

void SkinnedListModel::BeginBatch() {
  if (batch_++ == 0) beginResetModel();
}

void SkinnedListModel::EndBatch() {
  if (batch_ > 0 && --batch_ == 0) endResetModel();
}

int SkinnedListModel::FindRow(std::intptr_t data) const {
  const int n = RowCount();
  for (int i = 0; i < n; ++i)
    if (RowData(i) == data) return i;
  return -1;
}

}  // namespace vyk
