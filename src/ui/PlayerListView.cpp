#include "ui/PlayerListView.h"

#include <QPainter>
#include <cstdio>

#include "config/ConfigFile.h"
#include "core/PlayerKinds.h"
#include "core/ServerInfo.h"
#include "ui/widgets/ColourTextPainter.h"
#include "ui/widgets/ResourceIds.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

namespace {

std::string Decimal(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%d", value);
  return buffer;
}

}  // namespace

PlayerListView::PlayerListView(const Settings& settings, QWidget* parent)
    : SkinnedListCtrl(settings, parent) {}

void PlayerListView::SetUpColumns() {
  SetPopupMenu(MenuResource(kPlayerMenu));
  if (ColumnCount() == 0) {
    InsertColumn(kNameColumn, "Name", 200);
    InsertColumn(kPingColumn, "Ping", 60);
    InsertColumn(kFragsColumn, "Frags", 60);
  }
  DeleteAllRows();
  shown_.Clear();
}

bool PlayerListView::OnlyBuddySwitch() {
  return ReadProfileInt("Display", "OnlyBuddy", 0) != 0;
}

Color PlayerListView::BuddyTint(Color buddy, Color background) {
  return MakeColor((RedOf(buddy) + 2 * RedOf(background)) / 3,
                   (GreenOf(buddy) + 2 * GreenOf(background)) / 3,
                   (BlueOf(buddy) + 2 * BlueOf(background)) / 3);
}

void PlayerListView::ShowPlayers(const ServerInfo& record) {
  setUpdatesEnabled(false);
  BeginRowBatch();
  DeleteAllRows();
  shown_.Clear();
  playerOf_.clear();
  onlyBuddy_ = OnlyBuddySwitch();
  for (int i = 0; i < record.players.Count(); ++i) {
    const PlayerInfo& player = record.players[i];
    if (onlyBuddy_ && !player.isBuddy) continue;
    const int at = shown_.Add(player);
    if (at < 0) continue;
    playerOf_.push_back(i);
    const int row = InsertRow(i, player.name, at);
    SetItemText(row, kPingColumn, Decimal(player.ping));
    SetItemText(row, kFragsColumn, Decimal(player.score));
  }
  EndRowBatch();
  setUpdatesEnabled(true);
}

void PlayerListView::SelectPlayer(int playerIndex) {
  for (int row = 0; row < RowCount(); ++row) {
    const auto shown = static_cast<std::size_t>(RowData(row));
    if (shown < playerOf_.size() && playerOf_[shown] == playerIndex) {
      SetRowSelected(row, true);
      EnsureRowVisible(row);
      return;
    }
  }
}

void PlayerListView::DrawRowBackground(QPainter& painter, int row, const QRect& rowRect) {
  if (onlyBuddy_ || !PlayerAt(row).isBuddy) return;
  const Settings& s = GetSettings();
  painter.fillRect(rowRect, ToQColor(BuddyTint(s.buddyColor, s.bgColor)));
}

void PlayerListView::DrawCell(QPainter& painter, int row, int column, const QRect& cellRect) {
  if (column == kNameColumn) {
    const int textHeight = painter.fontMetrics().height();
    QRect r = cellRect.adjusted(1, std::max(0, (cellRect.height() - textHeight) / 2), 0, 0);
    DrawColourText(painter, r, PlayerAt(row).name);
    // Bots answer with ping 0: marked after the name, in the skin's dimmed grey.
    if (IsBot(PlayerAt(row))) {
      const QPen remembered = painter.pen();
      painter.setPen(QColor(128, 128, 128));
      painter.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral(" (bot)"));
      painter.setPen(remembered);
    }
    return;
  }
  const QPen remembered = painter.pen();
  if (PlayerAt(row).isBuddy) painter.setPen(ToQColor(GetSettings().buddyColor));
  SkinnedListCtrl::DrawCell(painter, row, column, cellRect);
  painter.setPen(remembered);
}

}  // namespace vyk
