#include "ui/ServerListView.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <optional>
#include <utility>

#include "config/ConfigFile.h"
#include "config/ServerListFile.h"
#include "config/SummaryLine.h"
#include "core/BuddyMatch.h"
#include "core/Refresh.h"
#include "core/ServerCache.h"
#include "core/ServerColumns.h"
#include "core/ServerFilter.h"
#include "core/ServerSearch.h"
#include "core/StatusLine.h"
#include "discovery/NetworkScan.h"
#include "ui/BusyScope.h"
#include "ui/CountryFlags.h"
#include "ui/StatusIcons.h"
#include "ui/widgets/ColourTextPainter.h"
#include "ui/widgets/ResourceIds.h"
#include "ui/widgets/SkinnedHeaderCtrl.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

namespace {

// The name column takes what the fixed widths of the others leave.
constexpr int kWidths[kServerColumnCount] = {0, 50, 50, 100, 40, 150, 30, 30, 50};
constexpr int kFixedWidths = 500;

}  // namespace

ServerListView::ServerListView(Settings& settings, ServerBrowser& browser, QWidget* parent)
    : ServerListView(settings, browser, new ServerRowsModel(browser.Rows()), parent) {}

ServerListView::ServerListView(Settings& settings, ServerBrowser& browser, ServerRowsModel* model,
                               QWidget* parent)
    : SkinnedListCtrl(settings, model, parent),
      settings_(settings),
      browser_(browser),
      model_(*model) {
  // The tree view's own sorting is off, and with it the header's clicks; ours need them.
  Header()->setSectionsClickable(true);
  connect(this, &SkinnedListCtrl::headerClicked, this, [this](int column) {
    SortBy(SortKeyOfColumn(column));
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
  if (key < 0 || key > kLastSortKey) key = kSortByPing;
  ChangeRows([this, key] { browser_.Rows().SortBy(key, browser_.Servers()); }, true);
  StoreLastServerSort(settings_, key);
  SetSortColumn(ColumnOfSortKey(key));
}

void ServerListView::RebuildRows(bool showAll) {
  ScopedStatus status("Align ServerList");
  ChangeRows(
      [this, showAll] {
        browser_.Rows().Rebuild(browser_.Servers(), browser_.Buddies(), settings_, showAll);
        const int key = browser_.SortKey();
        if (key != kSortNone) StoreLastServerSort(settings_, key);
        model_.NextGeneration();
        for (int row = 0; row < RowCount(); ++row) FillRow(row, IndexAt(row));
      },
      false);
  const int key = browser_.SortKey();
  SetSortColumn(ColumnOfSortKey(key));
}

void ServerListView::ApplySearch(const std::string& typed) {
  const std::string needle = SearchNeedle(typed);
  if (needle == browser_.Rows().Search()) return;
  browser_.Rows().SetSearch(needle);
  ChangeRows(
      [this] {
        browser_.Rows().Refilter(browser_.Servers(), settings_);
        // Rows the last rebuild did not show come back as their records are now.
        for (int row = 0; row < RowCount(); ++row)
          if (!model_.IsFresh(IndexAt(row))) FillRow(row, IndexAt(row));
      },
      true);
}

void ServerListView::ClearRows() {
  if (RowCount() > 0) ChangeRows([this] { browser_.Rows().Clear(); }, false);
}

void ServerListView::ChangeRows(const std::function<void()>& change, bool keepSelection) {
  const bool painting = updatesEnabled();
  setUpdatesEnabled(false);
  if (keepSelection) {
    ReorderRows(change);
  } else {
    BeginRowBatch();
    change();
    EndRowBatch();
  }
  if (painting) setUpdatesEnabled(true);
}

void ServerListView::FillRow(int row, int index) {
  ServerInfo& record = browser_.Servers().At(index);
  ServerRowsModel::Texts texts;
  for (int column : {kAddressColumn, kServerNameColumn, kBuddiesColumn, kPlayersColumn, kMapColumn,
                     kPingColumn, kConnectCountColumn, kFavoriteColumn, kCountryColumn})
    texts[static_cast<std::size_t>(column)] = ServerCellText(record, column);
  RowLook look;
  look.queried = record.queried;
  look.timedOut = record.IsTimedOut();
  look.needsPassword = record.NeedsPassword();
  look.cell.favorite = !texts[kFavoriteColumn].empty();  // as its cell reads
  look.cell.full = FillsPublicSlots(record);
  look.cell.buddies = record.buddyCount > 0;
  look.cell.ping = record.ping;
  look.tooltip = TooltipOf(record);
  // The retries' figures; a single request per refresh (QueryAttempts 1) has none to tell.
  if (EffectiveQueryAttempts(settings_) > 1) look.lossNote = LossTooltipText(record);
  model_.Write(index, std::move(texts), std::move(look));
  browser_.Rows().NoteWritten(index, record);
  UpdateRowCells(row);
}

void ServerListView::UpdateRow(int index) {
  const int row = RowOf(index);
  if (row < 0) return;
  ServerInfo& record = browser_.Servers().At(index);
  ScopedStatus status("Updating :" + record.Address());
  if (record.PlayerCount() > 0)
    record.buddyCount = CountBuddies(record.players, browser_.Buddies());
  FillRow(row, index);
  if (updatesEnabled()) RedrawRow(row);
}

void ServerListView::SelectRow(int index) {
  if (index < 0 || index >= browser_.Servers().Count()) return;
  for (int r = 0; r < RowCount(); ++r)
    if (RowData(r) == index) SetRowSelected(r, true);
}

void ServerListView::SelectByAddress(const std::string& address) {
  for (int r = 0; r < RowCount(); ++r) {
    if (browser_.Servers().At(IndexAt(r)).Address() == address) {
      SetRowSelected(r, true);
      EnsureRowVisible(r);
      return;
    }
  }
}

void ServerListView::ReloadServers() {
  ServerList& servers = browser_.Servers();
  if (settings_.localOnly) {
    ScanNetwork(servers, true);
  } else {
    servers.Clear();
    LoadServerListFile(servers, true, settings_);
  }
  RebuildRows(true);
}

bool ServerListView::SaveServers() const {
  return SaveServerList(browser_.Servers(), settings_).Ok();
}

void ServerListView::DeleteSelected() {
  // By the rows' own records: a copy would take its name from the cache,
  // which no longer matches a name as the server sent it.
  std::vector<int> doomed;
  for (int row : SelectedRows()) doomed.push_back(IndexAt(row));
  if (browser_.RemoveIndices(std::move(doomed))) RebuildRows(true);
}

void ServerListView::RemoveTimedOut() {
  if (browser_.RemoveTimedOut()) RebuildRows(true);
}

std::string ServerListView::SummaryLineAt(int index) const {
  return SummaryLine(browser_.Servers().At(index), settings_);
}

void ServerListView::RefreshServers(QWidget& button, bool showAll,
                                    std::chrono::milliseconds firstWait) {
  button.setEnabled(false);
  repaint();
  QWidget* shown = window();
  const QString title = shown->windowTitle();
  shown->setWindowTitle(QStringLiteral("Refresh ... please wait"));
  RefreshAll(browser_.Servers(), settings_, *this, showAll, firstWait);
  shown->setWindowTitle(title);
  button.setEnabled(true);
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

void ServerListView::DrawCell(QPainter& painter, int row, int column, const QRect& cellRect) {
  if (SelectionStyle() == kColouredSelection)
    return SkinnedListCtrl::DrawCell(painter, row, column, cellRect);
  const RowLook& look = model_.LookAt(row);
  if (column == kServerNameColumn) {
    const int textHeight = painter.fontMetrics().height();
    QRect r =
        cellRect.adjusted(kNameIndent, std::max(0, (cellRect.height() - textHeight) / 2), 0, 0);
    DrawColourText(painter, r, ItemText(row, kServerNameColumn));
    DrawStatusIcons(painter, look, cellRect);
    return;
  }
  if (column == kFavoriteColumn)
    return DrawFavoriteBox(painter, look.cell.favorite, cellRect.adjusted(1, 1, -1, -1));
  const QPen remembered = painter.pen();
  if (const std::optional<Color> colour = ServerCellColor(look.cell, column, settings_))
    painter.setPen(ToQColor(*colour));
  QRect textRect = cellRect.adjusted(1, 1, -1, -1);
  if (column == kCountryColumn) {
    const QPixmap flag = CountryFlag(ItemText(row, column));
    if (!flag.isNull()) {
      painter.drawPixmap(textRect.left(), textRect.top() + (textRect.height() - flag.height()) / 2,
                         flag);
      textRect.setLeft(textRect.left() + flag.width() + 3);
    }
  }
  painter.drawText(textRect,
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
  const PingGrade grade = GradePing(look.cell.ping, settings_);
  DrawStatusIcon(painter,
                 grade == PingGrade::kGood     ? StatusIcon::kGoodPing
                 : grade == PingGrade::kMedium ? StatusIcon::kMediumPing
                                               : StatusIcon::kBadPing,
                 box);
  if (look.needsPassword)
    DrawStatusIcon(painter, StatusIcon::kPassword, box);
  else if (look.cell.buddies)
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
  return model_.LookAt(row).tooltip;
}

std::string ServerListView::CellNote(int row, int) const {
  return model_.LookAt(row).lossNote;
}

std::string ServerListView::TooltipOf(const ServerInfo& record) {
  const std::string address = record.Address();
  if (!record.queried || record.IsTimedOut()) return record.name != "-" ? record.name : address;
  std::string text = std::to_string(record.ping) + " ms | " + address + " ";
  if (!record.InfoValue("sv_maxclients").empty())
    text += "| " + ServerCellText(record, kPlayersColumn) + " ";
  const std::string map = record.InfoValue("mapname");
  if (!map.empty()) text += "| " + map + " ";
  if (record.name != "-") text += "| " + record.name.substr(0, 30) + " ";
  return text;
}

}  // namespace vyk
