#include "ui/ServerListView.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unordered_map>

#include "config/ServerListFile.h"
#include "config/Settings.h"
#include "config/SummaryLine.h"
#include "core/BuddyMatch.h"
#include "core/ServerCache.h"
#include "core/ServerColumns.h"
#include "core/ServerFilter.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "discovery/NetworkScan.h"
#include "ui/BusyScope.h"
#include "ui/StatusIcons.h"
#include "ui/widgets/ColourText.h"
#include "ui/widgets/ResourceIds.h"
#include "ui/widgets/SkinnedHeaderCtrl.h"

namespace vyk {

namespace {

// The name column takes what the fixed widths of the others leave.
constexpr int kWidths[kServerColumnCount] = {0, 50, 50, 100, 40, 150, 30, 30};
constexpr int kFixedWidths = 450;

std::string Format(const char* format, long long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

ServerListView::ServerListView(Settings& settings, QWidget* parent)
    : SkinnedListCtrl(settings, parent), settings_(settings), rows_(settings.lastServerSort) {
  // The tree view's own sorting is off, and with it the header's clicks; ours need them.
  Header()->setSectionsClickable(true);
  connect(this, &SkinnedListCtrl::headerClicked, this, [this](int column) {
    SortBy(column);
    if (RowCount() > 0) EnsureRowVisible(0);
  });
}

void ServerListView::SetUpColumns() {
  SetPopupMenu(MenuResource(kServerMenu));
  if (!columnsSet_) {
    const int first = std::max(100, ClientWidth() - ScrollBarWidth() - kFixedWidths);
    for (int c = 0; c < kServerColumnCount; ++c)
      InsertColumn(c, ServerColumnTitle(c), c == kServerNameColumn ? first : kWidths[c]);
    columnsSet_ = true;
  }
  SortBy(settings_.lastServerSort);
}

void ServerListView::SortBy(int key) {
  if (key < 0 || key > kSortNone) key = kSortByPing;
  rows_.SortBy(key, servers_);
  StoreLastServerSort(settings_, key);
  SetSortColumn(key < kServerColumnCount ? key : -1);
  MirrorRows(false);
}

void ServerListView::MirrorRows(bool rebuild) {
  const std::vector<int>& order = rows_.Indices();
  if (rebuild) {
    BeginRowBatch();
    DeleteAllRows();
    for (std::size_t r = 0; r < order.size(); ++r) {
      InsertRow(static_cast<int>(r), servers_.At(order[r]).name, order[r]);
      FillRow(static_cast<int>(r), order[r]);
    }
    EndRowBatch();
    return;
  }
  // Same rows, new order: rank every server index by its place in rows_.
  std::vector<int> rank(static_cast<std::size_t>(servers_.Count()), 0);
  for (std::size_t r = 0; r < order.size(); ++r)
    if (order[r] >= 0 && order[r] < servers_.Count()) rank[order[r]] = static_cast<int>(r);
  SortRows([&rank](std::intptr_t a, std::intptr_t b) { return rank[a] < rank[b]; });
}

bool ServerListView::AddRowIfShown(int index, bool showAll) {
  if (!rows_.AddIfShown(servers_, index, buddies_, settings_, showAll)) return false;
  const int row = InsertRow(index, servers_.At(index).name, index);
  FillRow(row, index);
  RedrawRow(row);
  return true;
}

void ServerListView::RebuildRows(bool showAll) {
  ScopedStatus status("Align ServerList");
  rows_.Rebuild(servers_, buddies_, settings_, showAll);
  if (rows_.SortKey() != kSortNone) StoreLastServerSort(settings_, rows_.SortKey());
  MirrorRows(true);
  SetSortColumn(rows_.SortKey() < kServerColumnCount ? rows_.SortKey() : -1);
}

void ServerListView::FillRow(int row, int index) {
  ServerInfo& record = servers_.At(index);
  const std::string address = record.Address();
  SetItemText(row, kAddressColumn, address);
  SetItemText(row, kServerNameColumn, record.name);
  SetItemText(row, kBuddiesColumn,
              record.buddyCount > 0 ? Format("%lld", record.buddyCount) : std::string());
  SetItemText(row, kPlayersColumn, PlayerText(record));
  SetItemText(row, kMapColumn, record.InfoValue("mapname"));
  SetItemText(row, kPingColumn, PingText(record));
  const int connects = GetConnectCount(address);
  SetItemText(row, kConnectCountColumn, connects > 0 ? Format("%lld", connects) : std::string());
  SetItemText(row, kFavoriteColumn, IsFavorite(address) ? " *" : "");
  if (index >= static_cast<int>(looks_.size())) looks_.resize(static_cast<std::size_t>(index) + 1);
  RowLook& look = looks_[static_cast<std::size_t>(index)];
  look.queried = record.queried;
  look.timedOut = record.IsTimedOut();
  look.needsPassword = record.NeedsPassword();
  look.full = IsFull(record);
  look.buddies = record.buddyCount > 0;
  look.ping = record.ping;
  look.tooltip = TooltipOf(record);
}

const ServerListView::RowLook& ServerListView::LookOf(int row) const {
  static const RowLook kUnwritten;
  const int index = IndexAt(row);
  return index >= 0 && index < static_cast<int>(looks_.size())
             ? looks_[static_cast<std::size_t>(index)]
             : kUnwritten;
}

void ServerListView::UpdateRow(int index) {
  const int row = RowOf(index);
  if (row < 0) return;
  ServerInfo& record = servers_.At(index);
  ScopedStatus status("Updating :" + record.Address());
  if (record.PlayerCount() > 0) record.buddyCount = CountBuddies(record.players, buddies_);
  FillRow(row, index);
  if (updatesEnabled()) RedrawRow(row);
}

void ServerListView::SelectRow(int index) {
  if (index < 0 || index >= servers_.Count()) return;
  for (int r = 0; r < RowCount(); ++r)
    if (RowData(r) == index) SetRowSelected(r, true);
}

void ServerListView::SelectByAddress(const std::string& address) {
  for (int r = 0; r < RowCount(); ++r) {
    if (servers_.At(IndexAt(r)).Address() == address) {
      SetRowSelected(r, true);
      EnsureRowVisible(r);
      return;
    }
  }
}

void ServerListView::ReloadServers() {
  if (settings_.localOnly) {
    ScanNetwork(servers_, true);
  } else {
    servers_.Clear();
    LoadServerListFile(servers_, true, settings_);
  }
  RebuildRows(true);
}

bool ServerListView::SaveServers() const {
  return SaveServerList(servers_, settings_);
}

void ServerListView::DeleteSelected() {
  // By the rows' own records: a copy would take its name from the cache,
  // which no longer matches a name as the server sent it.
  std::vector<int> doomed;
  for (int row : SelectedRows()) {
    const int index = IndexAt(row);
    if (index >= 0 && index < servers_.Count()) doomed.push_back(index);
  }
  if (doomed.empty()) return;
  std::sort(doomed.begin(), doomed.end(), std::greater<>());
  doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
  for (int index : doomed) servers_.RemoveAt(index);
  RebuildRows(true);
}

void ServerListView::RemoveTimedOut() {
  ServerList doomed;
  for (int i = 0; i < servers_.Count(); ++i)
    if (servers_.At(i).IsTimedOut()) doomed.AddUnique(servers_.At(i));
  if (doomed.Count() == 0) return;
  for (int i = 0; i < doomed.Count(); ++i) servers_.RemoveMatching(doomed.At(i));
  RebuildRows(true);
}

std::string ServerListView::SummaryLineAt(int index) const {
  return SummaryLine(servers_.At(index), settings_);
}

void ServerListView::SetCursor(RefreshCursor cursor) {
  BusyScope::SetCursorShape(cursor == RefreshCursor::kAppStarting ? Qt::BusyCursor
                            : cursor == RefreshCursor::kWait      ? Qt::WaitCursor
                                                                  : Qt::ArrowCursor);
}

void ServerListView::SetDrawingFrozen(bool frozen) {
  setUpdatesEnabled(!frozen);
}

void ServerListView::KeepPainted() {
  BusyScope::KeepPainted();
}

std::string ServerListView::PlayerText(const ServerInfo& record) {
  const std::string max = record.InfoValue("sv_maxclients");
  if (max.empty()) return "-/-";
  return Format("%lld", record.PlayerCount()) + "/" + max;
}

std::string ServerListView::PingText(const ServerInfo& record) {
  if (!record.queried || record.IsTimedOut()) return {};
  return Format("%lld", record.ping);
}

bool ServerListView::IsFull(const ServerInfo& record) {
  const int players = record.PlayerCount();
  const long long open =
      static_cast<long long>(ParseLeadingInt(record.InfoValue("sv_maxclients"))) -
      ParseLeadingInt(record.InfoValue("sv_privateClients"));
  return players >= 1 && players >= open;
}

void ServerListView::DrawCell(QPainter& painter, int row, int column, const QRect& cellRect) {
  if (SelectionStyle() == kColouredSelection)
    return SkinnedListCtrl::DrawCell(painter, row, column, cellRect);
  const RowLook& look = LookOf(row);
  if (column == kServerNameColumn) {
    const int textHeight = painter.fontMetrics().height();
    QRect r =
        cellRect.adjusted(kNameIndent, std::max(0, (cellRect.height() - textHeight) / 2), 0, 0);
    DrawColourText(painter, r, ItemText(row, kServerNameColumn));
    DrawStatusIcons(painter, look, cellRect);
    return;
  }
  const QPen remembered = painter.pen();
  const bool favorite = IsFavoriteRow(row);
  if (favorite) painter.setPen(ToQColor(settings_.favoriteColor));
  if (column == kFavoriteColumn) {
    DrawFavoriteBox(painter, favorite, cellRect.adjusted(1, 1, -1, -1));
    painter.setPen(remembered);
    return;
  }
  if (look.buddies) painter.setPen(ToQColor(settings_.buddyColor));
  if (column == kPingColumn) {
    if (look.ping <= settings_.goodPing)
      painter.setPen(ToQColor(kGreen));
    else if (look.ping >= settings_.badPing)
      painter.setPen(ToQColor(kRed));
    else
      painter.setPen(remembered);
  }
  if (column == kPlayersColumn && look.full) painter.setPen(ToQColor(kRed));
  painter.drawText(cellRect.adjusted(1, 1, -1, -1),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   FromGameText(ItemText(row, column)));
  painter.setPen(remembered);
}

void ServerListView::DrawStatusIcons(QPainter& painter, const RowLook& look,
                                     const QRect& cellRect) {
  if (!look.queried) return;
  const int size = StatusIconSize(cellRect.height());
  const QRect box(cellRect.left(), cellRect.top() + (cellRect.height() - size) / 2, size, size);
  if (look.timedOut) {
    DrawStatusIcon(painter, StatusIcon::kNoAnswer, box);
    return;
  }
  DrawStatusIcon(painter,
                 look.ping <= settings_.goodPing ? StatusIcon::kGoodPing
                 : look.ping < settings_.badPing ? StatusIcon::kMediumPing
                                                 : StatusIcon::kBadPing,
                 box);
  if (look.needsPassword)
    DrawStatusIcon(painter, StatusIcon::kPassword, box);
  else if (look.buddies)
    DrawStatusIcon(painter, StatusIcon::kBuddy, box);
}

void ServerListView::DrawFavoriteBox(QPainter& painter, bool ticked, const QRect& box) {
  // A flat box centred in the cell, ticked in the current text colour.
  const int side = std::max(6, std::min({box.width(), box.height(), 13}));
  const QRect r(box.left() + (box.width() - side) / 2, box.top() + (box.height() - side) / 2,
                side - 1, side - 1);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(ToQColor(settings_.textColor));
  painter.drawRect(r);
  if (ticked) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(ToQColor(settings_.favoriteColor), std::max(1.5, side / 6.0), Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    const QRectF in = QRectF(r).adjusted(side * 0.22, side * 0.22, -side * 0.22, -side * 0.22);
    QPolygonF tick;
    tick << QPointF(in.left(), in.center().y())
         << QPointF(in.left() + in.width() * 0.4, in.bottom()) << QPointF(in.right(), in.top());
    painter.drawPolyline(tick);
  }
  painter.restore();
}

std::string ServerListView::CellText(int row, int) const {
  return LookOf(row).tooltip;
}

std::string ServerListView::TooltipOf(const ServerInfo& record) {
  const std::string address = record.Address();
  if (!record.queried || record.IsTimedOut()) return record.name != "-" ? record.name : address;
  std::string text = Format("%lld ms | ", record.ping) + address + " ";
  const std::string max = record.InfoValue("sv_maxclients");
  if (!max.empty()) text += "| " + Format("%lld", record.PlayerCount()) + "/" + max + " ";
  const std::string map = record.InfoValue("mapname");
  if (!map.empty()) text += "| " + map + " ";
  if (record.name != "-") text += "| " + record.name.substr(0, 30) + " ";
  return text;
}

}  // namespace vyk
