#include "ui/widgets/SkinnedListModel.h"

#include <algorithm>

#include "ui/widgets/TextCrossing.h"

namespace vyk {

int SkinnedListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SkinnedListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant SkinnedListModel::data(const QModelIndex& index, int role) const {
  // Display text serves keyboard search and accessibility; painting reads the rows directly.
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const Row* r = RowAt(index.row());
  if (!r || index.column() >= static_cast<int>(r->texts.size())) return {};
  return FromGameText(r->texts[index.column()]);
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
  for (Row& r : rows_)
    if (static_cast<int>(r.texts.size()) > index) r.texts.insert(r.texts.begin() + index, {});
  endInsertColumns();
  return index;
}

void SkinnedListModel::BeginBatch() {
  if (batch_++ == 0) beginResetModel();
}

void SkinnedListModel::EndBatch() {
  if (batch_ > 0 && --batch_ == 0) endResetModel();
}

int SkinnedListModel::InsertRow(int pos, const std::string& text, std::intptr_t data) {
  pos = std::clamp(pos, 0, static_cast<int>(rows_.size()));
  if (!InBatch()) beginInsertRows(QModelIndex(), pos, pos);
  Row row;
  row.data = data;
  row.texts.resize(std::max<std::size_t>(columns_.size(), 1));
  row.texts[0] = text;
  rows_.insert(rows_.begin() + pos, std::move(row));
  if (!InBatch()) endInsertRows();
  return pos;
}

void SkinnedListModel::RemoveRow(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  if (!InBatch()) beginRemoveRows(QModelIndex(), row, row);
  rows_.erase(rows_.begin() + row);
  if (!InBatch()) endRemoveRows();
}

void SkinnedListModel::Clear() {
  if (rows_.empty()) return;
  if (!InBatch()) beginResetModel();
  rows_.clear();
  if (!InBatch()) endResetModel();
}

const SkinnedListModel::Row* SkinnedListModel::RowAt(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
  return &rows_[row];
}

bool SkinnedListModel::SetText(int row, int column, const std::string& text) {
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 ||
      column >= std::max<int>(static_cast<int>(columns_.size()), 1))
    return false;
  Row& r = rows_[row];
  if (static_cast<int>(r.texts.size()) <= column) r.texts.resize(column + 1);
  r.texts[column] = text;
  return true;
}

}  // namespace vyk
