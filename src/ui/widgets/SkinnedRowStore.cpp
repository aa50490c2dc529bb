#include "ui/widgets/SkinnedRowStore.h"

#include <algorithm>

namespace vyk {

namespace {
const std::string kNoText;
}  // namespace

std::intptr_t SkinnedRowStore::RowData(int row) const {
  if (row < 0 || row >= RowCount()) return -1;
  return rows_[static_cast<std::size_t>(row)].data;
}

const std::string& SkinnedRowStore::Text(int row, int column) const {
  if (row < 0 || row >= RowCount()) return kNoText;
  const std::vector<std::string>& texts = rows_[static_cast<std::size_t>(row)].texts;
  if (column < 0 || column >= static_cast<int>(texts.size())) return kNoText;
  return texts[static_cast<std::size_t>(column)];
}

void SkinnedRowStore::ColumnInserted(int index) {
  for (Row& r : rows_)
    if (static_cast<int>(r.texts.size()) > index) r.texts.insert(r.texts.begin() + index, {});
}

int SkinnedRowStore::InsertRow(int pos, const std::string& text, std::intptr_t data) {
  pos = std::clamp(pos, 0, RowCount());
  if (!InBatch()) beginInsertRows(QModelIndex(), pos, pos);
  Row row;
  row.data = data;
  row.texts.resize(std::max<std::size_t>(Columns().size(), 1));
  row.texts[0] = text;
  rows_.insert(rows_.begin() + pos, std::move(row));
  if (!InBatch()) endInsertRows();
  return pos;
}

void SkinnedRowStore::RemoveRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  if (!InBatch()) beginRemoveRows(QModelIndex(), row, row);
  rows_.erase(rows_.begin() + row);
  if (!InBatch()) endRemoveRows();
}

void SkinnedRowStore::Clear() {
  if (rows_.empty()) return;
  if (!InBatch()) beginResetModel();
  rows_.clear();
  if (!InBatch()) endResetModel();
}

bool SkinnedRowStore::SetText(int row, int column, const std::string& text) {
  if (row < 0 || row >= RowCount() || column < 0 ||
      column >= std::max<int>(static_cast<int>(Columns().size()), 1))
    return false;
  Row& r = rows_[static_cast<std::size_t>(row)];
  if (static_cast<int>(r.texts.size()) <= column)
    r.texts.resize(static_cast<std::size_t>(column) + 1);
  r.texts[static_cast<std::size_t>(column)] = text;
  return true;
}

}  // namespace vyk
