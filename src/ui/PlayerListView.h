#pragma once
#include <vector>

#include "core/NameList.h"
#include "ui/widgets/SkinnedListCtrl.h"

namespace vyk {

class ServerInfo;

// The players of the current server (MainDialog::kPlayerList): name with its colours, ping and
// frags. Keeps copies of the players it shows, so a refresh rewriting the record never
// changes what is drawn. With "OnlyBuddy" of [Display] on, only buddies are listed.
class PlayerListView : public SkinnedListCtrl {
  Q_OBJECT
 public:
  // Left to right.
  enum Column : int { kNameColumn = 0, kPingColumn = 1, kFragsColumn = 2 };

  explicit PlayerListView(const Settings& settings, QWidget* parent = nullptr);

  void SetUpColumns();
  void ShowPlayers(const ServerInfo& record);
  // Selects the row of the record's player at this index (nothing when it is not shown).
  void SelectPlayer(int playerIndex);
  const NameList& ShownPlayers() const { return shown_; }
  const PlayerInfo& PlayerAt(int row) const { return shown_[static_cast<int>(RowData(row))]; }

  // The "Display" "OnlyBuddy" switch as Config.ini holds it now.
  static bool OnlyBuddySwitch();
  // The row tint of a buddy: two parts background, one part buddy colour.
  static Color BuddyTint(Color buddy, Color background);

  void DrawRowBackground(QPainter& painter, int row, const QRect& rowRect) override;
  void DrawCell(QPainter& painter, int row, int column, const QRect& cellRect) override;

 private:
  NameList shown_;
  std::vector<int> playerOf_;  // the record's index of each shown player
  bool onlyBuddy_ = false;
};

}  // namespace vyk
