#include "ui/ServerRowsModel.h"

#include <limits>
#include <utility>

namespace vyk {

const std::string& ServerRowsModel::Text(int row, int column) const {
  static const std::string kNoText;
  if (column < 0 || column >= kServerColumnCount) return kNoText;
  return WrittenAt(row).texts[static_cast<std::size_t>(column)];
}

int ServerRowsModel::FindRow(std::intptr_t data) const {
  if (data < 0 || data > std::numeric_limits<int>::max()) return -1;
  return rows_.RowOf(static_cast<int>(data));
}

void ServerRowsModel::Write(int index, Texts texts, ServerRowLook look) {
  if (index < 0) return;
  if (index >= static_cast<int>(written_.size()))
    written_.resize(static_cast<std::size_t>(index) + 1);
  Written& w = written_[static_cast<std::size_t>(index)];
  w.texts = std::move(texts);
  w.look = std::move(look);
  w.generation = generation_;
}

bool ServerRowsModel::IsFresh(int index) const {
  return index >= 0 && index < static_cast<int>(written_.size()) &&
         written_[static_cast<std::size_t>(index)].generation == generation_;
}

const ServerRowLook& ServerRowsModel::LookAt(int row) const {
  return WrittenAt(row).look;
}

const ServerRowsModel::Written& ServerRowsModel::WrittenAt(int row) const {
  static const Written kUnwritten;
  const int index = rows_.IndexAt(row);
  return index >= 0 && index < static_cast<int>(written_.size())
             ? written_[static_cast<std::size_t>(index)]
             : kUnwritten;
}

}  // namespace vyk
