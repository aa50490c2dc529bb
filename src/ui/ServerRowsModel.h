#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ServerCellColor.h"
#include "core/ServerColumns.h"
#include "core/ServerRows.h"
#include "ui/widgets/SkinnedListModel.h"

namespace vyk {

// What painting a server's row needs beyond its cell texts, copied from the record when
// the row is written.
struct ServerRowLook {
  bool queried = false;
  bool timedOut = false;
  bool needsPassword = false;
  ServerCellLook cell;
  std::string tooltip;
  std::string lossNote;  // below the tooltip, beyond its cut: what the retries saw
};

// The server list as its view reads it: the rows and their order are the browser's
// (ServerRows); each row draws from what was written for its server on the user-interface
// thread, never from the record, which a refresh's workers may be writing meanwhile.
class ServerRowsModel : public SkinnedListModel {
  Q_OBJECT
 public:
  using Texts = std::array<std::string, kServerColumnCount>;

  explicit ServerRowsModel(const ServerRows& rows, QObject* parent = nullptr)
      : SkinnedListModel(parent), rows_(rows) {}

  int RowCount() const override { return rows_.Count(); }
  std::intptr_t RowData(int row) const override { return rows_.IndexAt(row); }
  const std::string& Text(int row, int column) const override;
  int FindRow(std::intptr_t data) const override;

  // What the row of this server index draws from, until the next write.
  void Write(int index, Texts texts, ServerRowLook look);
  // A rebuild writes every row it shows: what was written before it may be out of date.
  void NextGeneration() { ++generation_; }
  // Written since the last NextGeneration.
  bool IsFresh(int index) const;
  // Of a row whose server has never been written: defaults.
  const ServerRowLook& LookAt(int row) const;

 private:
  struct Written {
    Texts texts;
    ServerRowLook look;
    unsigned generation = 0;
  };
  const Written& WrittenAt(int row) const;

  const ServerRows& rows_;
  std::vector<Written> written_;  // by server index
  unsigned generation_ = 1;
};

}  // namespace vyk
