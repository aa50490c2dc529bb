#include "ui/widgets/SkinnedListCtrl.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>

#include "ui/widgets/SkinnedDialog.h"
#include "ui/widgets/SkinnedHeaderCtrl.h"
#include "ui/widgets/SkinnedListModel.h"
#include "ui/widgets/SkinnedRowStore.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

namespace {

// Only gives every row the list's fixed height; painting is the list's own.
class FixedRowDelegate : public QStyledItemDelegate {
 public:
  FixedRowDelegate(const SkinnedListCtrl* list) : QStyledItemDelegate(nullptr), list_(list) {}
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return QSize(1, list_->RowHeight());
  }

 private:
  const SkinnedListCtrl* list_;
};

void DrawSunkenEdge(QPainter& p, const QRect& r) {
  p.save();
  p.setPen(QColor(128, 128, 128));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(QColor(255, 255, 255));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
  p.restore();
}

}  // namespace

SkinnedListCtrl::SkinnedListCtrl(const Settings& settings, QWidget* parent)
    : SkinnedListCtrl(settings, new SkinnedRowStore, parent) {}

SkinnedListCtrl::SkinnedListCtrl(const Settings& settings, SkinnedListModel* model, QWidget* parent)
    : QTreeView(parent),
      settings_(settings),
      model_(model),
      store_(qobject_cast<SkinnedRowStore*>(model)) {
  model_->setParent(this);
  header_ = new SkinnedHeaderCtrl(settings_, this);
  setHeader(header_);
  setModel(model_);
  setItemDelegate(new FixedRowDelegate(this));
  itemDelegate()->setParent(this);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setTextElideMode(Qt::ElideNone);
  setSortingEnabled(false);
  setMouseTracking(false);
  rowHeight_ = fontMetrics().height() + 4;
  ApplyColours();

  connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& i) {
    if (!inDoubleClick_) emit rowClicked(i.row(), i.column());
  });
  connect(header_, &QHeaderView::sectionClicked, this, &SkinnedListCtrl::headerClicked);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection&) {
            std::vector<int> rows;
            for (const QItemSelectionRange& range : selected)
              for (int r = range.top(); r <= range.bottom(); ++r) rows.push_back(r);
            std::sort(rows.begin(), rows.end());
            rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
            for (int r : rows) emit rowSelected(r);
          });
}

SkinnedListCtrl::~SkinnedListCtrl() = default;

void SkinnedListCtrl::ApplyColours() {
  if (appliedBg_ == settings_.bgColor && appliedText_ == settings_.textColor) return;
  appliedBg_ = settings_.bgColor;
  appliedText_ = settings_.textColor;
  QPalette pal = palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    pal.setColor(group, QPalette::Base, ToQColor(settings_.bgColor));
    pal.setColor(group, QPalette::Window, ToQColor(settings_.bgColor));
    pal.setColor(group, QPalette::Text, ToQColor(settings_.textColor));
    pal.setColor(group, QPalette::WindowText, ToQColor(settings_.textColor));
  }
  setPalette(pal);
  viewport()->update();
  header_->viewport()->update();
}

int SkinnedListCtrl::InsertColumn(int index, const std::string& title, int width) {
  const int at = model_->InsertColumn(index, title, width);
  setColumnWidth(at, width);
  columnsSize_ = size();
  return at;
}

int SkinnedListCtrl::ColumnCount() const {
  return static_cast<int>(model_->Columns().size());
}

void SkinnedListCtrl::BeginRowBatch() {
  model_->BeginBatch();
}

void SkinnedListCtrl::EndRowBatch() {
  // A reset forgets the column widths of the header only when columns change; rows are
  // all that change here.
  model_->EndBatch();
}

int SkinnedListCtrl::InsertRow(int pos, const std::string& text, std::intptr_t data) {
  if (!store_) return -1;
  if (sortAscending_) {
    const QString key = FromGameText(text);
    int lo = 0, hi = RowCount();
    while (lo < hi) {  // after the rows that compare equal
      const int mid = (lo + hi) / 2;
      if (QString::compare(FromGameText(ItemText(mid, 0)), key, Qt::CaseInsensitive) <= 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    pos = lo;
  }
  return store_->InsertRow(pos, text, data);
}

void SkinnedListCtrl::DeleteRow(int row) {
  if (store_) store_->RemoveRow(row);
}

void SkinnedListCtrl::DeleteAllRows() {
  if (store_) store_->Clear();
}

int SkinnedListCtrl::RowCount() const {
  return model_->RowCount();
}

std::intptr_t SkinnedListCtrl::RowData(int row) const {
  return model_->RowData(row);
}

int SkinnedListCtrl::FindRow(std::intptr_t data) const {
  return model_->FindRow(data);
}

void SkinnedListCtrl::SetItemText(int row, int column, const std::string& text) {
  if (store_ && store_->SetText(row, column, text) && !model_->InBatch())
    viewport()->update(CellRect(row, column));
}

const std::string& SkinnedListCtrl::ItemText(int row, int column) const {
  return model_->Text(row, column);
}

void SkinnedListCtrl::UpdateRowCells(int row) {
  if (model_->InBatch()) return;
  for (int column = 0; column < ColumnCount(); ++column) viewport()->update(CellRect(row, column));
}

void SkinnedListCtrl::RedrawRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  const QRect r = visualRect(model_->index(row, 0));
  if (r.isValid()) viewport()->repaint(QRect(0, r.top(), viewport()->width(), r.height()));
}

void SkinnedListCtrl::SortRows(const std::function<bool(std::intptr_t, std::intptr_t)>& less) {
  if (!store_) return;
  ReorderRows([this, &less] {
    auto& rows = store_->MutableRows();
    std::stable_sort(rows.begin(), rows.end(),
                     [&less](const SkinnedRowStore::Row& a, const SkinnedRowStore::Row& b) {
                       return less(a.data, b.data);
                     });
  });
}

void SkinnedListCtrl::ReorderRows(const std::function<void()>& reorder) {
  // Keep the selection and the current row by their data across the reordering.
  std::vector<std::intptr_t> selectedData;
  for (int r : SelectedRows()) selectedData.push_back(RowData(r));
  const std::intptr_t currentData = currentIndex().isValid() ? RowData(currentIndex().row()) : -1;
  const bool hadCurrent = currentIndex().isValid();

  model_->BeginBatch();
  reorder();
  model_->EndBatch();

  if (selectedData.empty() && !hadCurrent) return;
  std::sort(selectedData.begin(), selectedData.end());
  QItemSelection sel;
  const int n = RowCount();
  const int last = ColumnCount() - 1;
  for (int i = 0; i < n; ++i) {
    if (std::binary_search(selectedData.begin(), selectedData.end(), RowData(i)))
      sel.select(model_->index(i, 0), model_->index(i, std::max(last, 0)));
  }
  const QSignalBlocker block(selectionModel());  // the rows were selected before
  if (hadCurrent) {
    const int cur = FindRow(currentData);
    if (cur >= 0)
      selectionModel()->setCurrentIndex(model_->index(cur, 0), QItemSelectionModel::NoUpdate);
  }
  selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
  viewport()->update();
}

std::vector<int> SkinnedListCtrl::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& i : selectionModel()->selectedRows()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

bool SkinnedListCtrl::IsRowSelected(int row) const {
  return row >= 0 && row < RowCount() && selectionModel()->isRowSelected(row, QModelIndex());
}

void SkinnedListCtrl::SetRowSelected(int row, bool selected) {
  if (row < 0 || row >= RowCount()) return;
  selectionModel()->select(model_->index(row, 0), (selected ? QItemSelectionModel::Select
                                                            : QItemSelectionModel::Deselect) |
                                                      QItemSelectionModel::Rows);
  if (selected)
    selectionModel()->setCurrentIndex(model_->index(row, 0), QItemSelectionModel::NoUpdate);
}

void SkinnedListCtrl::EnsureRowVisible(int row) {
  if (row >= 0 && row < RowCount()) scrollTo(model_->index(row, 0));
}

int SkinnedListCtrl::TopRow() const {
  const QModelIndex i = indexAt(QPoint(1, 1));
  return i.isValid() ? i.row() : (RowCount() > 0 ? 0 : -1);
}

int SkinnedListCtrl::RowAt(const QPoint& pos) const {
  const QModelIndex i = indexAt(pos);
  return i.isValid() ? i.row() : -1;
}

int SkinnedListCtrl::ColumnAt(const QPoint& pos) const {
  const QModelIndex i = indexAt(pos);
  return i.isValid() ? i.column() : -1;
}

QRect SkinnedListCtrl::CellRect(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount()) return {};
  const QRect r = visualRect(model_->index(row, 0));
  return QRect(header_->sectionViewportPosition(column), r.top(), header_->sectionSize(column),
               r.height());
}

void SkinnedListCtrl::SetSelectionStyle(int style) {
  selectionStyle_ = style == kColouredSelection ? kColouredSelection : kFramedSelection;
  viewport()->update();
}

void SkinnedListCtrl::SetSortColumn(int column) {
  header_->SetSortColumn(column);
}

int SkinnedListCtrl::SortColumn() const {
  return header_->SortColumn();
}

QString SkinnedListCtrl::TooltipText(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount()) return {};
  std::string text = CellText(row, column);
  if (text.size() > static_cast<std::size_t>(kTooltipMax)) text.resize(kTooltipMax);
  const std::string note = CellNote(row, column);
  if (!note.empty()) text += (text.empty() ? "" : "\n") + note;
  return FromGameText(text);
}

void SkinnedListCtrl::SetRowHeight(int pixels) {
  rowHeight_ = std::max(1, pixels);
  model_->BeginBatch();
  model_->EndBatch();
}

int SkinnedListCtrl::FirstColumnWidth(int clientWidth, int scrollBarWidth, int otherColumnsWidth) {
  const int w = clientWidth - scrollBarWidth - otherColumnsWidth - 5;
  return w < 55 ? 50 : w;
}

void SkinnedListCtrl::ApplyFirstColumnRule() {
  const int n = ColumnCount();
  if (n < 2) return;
  int others = 0;
  for (int c = 1; c < n; ++c) others += header_->sectionSize(c);
  // The client area excludes a shown scroll bar; the rule then reserves one more.
  setColumnWidth(0, FirstColumnWidth(ClientWidth(), ScrollBarWidth(), others));
}

int SkinnedListCtrl::ClientWidth() const {
  int client = contentsRect().width();
  if (verticalScrollBar()->isVisible()) client -= verticalScrollBar()->width();
  return client;
}

int SkinnedListCtrl::ScrollBarWidth() const {
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void SkinnedListCtrl::DrawItem(QPainter& painter, int row, const QRect& rowRect) {
  painter.fillRect(rowRect, ToQColor(settings_.bgColor));
  DrawRowBackground(painter, row, rowRect);
  int left = rowRect.left();
  for (int visual = 0; visual < header_->count(); ++visual) {
    const int column = header_->logicalIndex(visual);
    if (header_->isSectionHidden(column)) continue;
    const int width = header_->sectionSize(column);
    const QRect cell(left, rowRect.top(), width, rowRect.height());
    left += width;
    painter.save();
    painter.setClipRect(cell, Qt::IntersectClip);
    DrawCell(painter, row, column, cell);
    painter.restore();
  }
  if (selectionStyle_ == kFramedSelection && IsRowSelected(row)) DrawSunkenEdge(painter, rowRect);
}

void SkinnedListCtrl::DrawCell(QPainter& painter, int row, int column, const QRect& cellRect) {
  if (selectionStyle_ == kColouredSelection && IsRowSelected(row))
    painter.setPen(ToQColor(settings_.selectedTextColor));
  painter.drawText(cellRect.adjusted(1, 1, -1, -1),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   FromGameText(ItemText(row, column)));
}

std::string SkinnedListCtrl::CellNote(int, int) const {
  return std::string();
}

std::string SkinnedListCtrl::CellText(int, int) const {
  return {};
}

void SkinnedListCtrl::DrawRowBackground(QPainter&, int, const QRect&) {}

void SkinnedListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  // The row spans every column, from the first column's (scrolled) left edge.
  const int left =
      header_->count() > 0 ? header_->sectionViewportPosition(header_->logicalIndex(0)) : 0;
  int width = 0;
  for (int c = 0; c < header_->count(); ++c)
    if (!header_->isSectionHidden(c)) width += header_->sectionSize(c);
  const QRect rowRect(left, option.rect.top(), width, option.rect.height());
  auto* self = const_cast<SkinnedListCtrl*>(this);
  painter->save();
  painter->setFont(font());
  painter->setPen(ToQColor(settings_.textColor));
  self->DrawItem(*painter, index.row(), rowRect);
  painter->restore();
}

void SkinnedListCtrl::paintEvent(QPaintEvent* event) {
  ApplyColours();
  {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), ToQColor(settings_.bgColor));
  }
  QTreeView::paintEvent(event);
}

void SkinnedListCtrl::resizeEvent(QResizeEvent* event) {
  QTreeView::resizeEvent(event);
  // The first show lays the viewport out (no old size) though the list may still have the
  // size its columns were set up for: that is no change of size.
  const bool changed = event->oldSize().isValid() || size() != columnsSize_;
  columnsSize_ = size();
  if (changed) ApplyFirstColumnRule();
}

bool SkinnedListCtrl::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex i = indexAt(help->pos());
    const QString text = i.isValid() ? TooltipText(i.row(), i.column()) : QString();
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
      return true;
    }
    const QRect cell = CellRect(i.row(), i.column()).intersected(viewport()->rect());
    // Cell texts come from game servers: a tooltip would take "<img width=9999 ...>"
    // or a link in one for markup. Escaped, every character shows as it is.
    QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(text, Qt::WhiteSpacePre),
                       viewport(), cell);
    return true;
  }
  return QTreeView::viewportEvent(event);
}

void SkinnedListCtrl::mousePressEvent(QMouseEvent* event) {
  inDoubleClick_ = false;
  QTreeView::mousePressEvent(event);
  if (event->button() == Qt::RightButton && !menu_.empty())
    ShowPopup(event->globalPosition().toPoint());
}

void SkinnedListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  // The row under the cursor is what was double-clicked, even when the first click's
  // command rebuilt the rows meanwhile (the tree view then takes it for a new press).
  const QModelIndex at = indexAt(event->position().toPoint());
  QTreeView::mouseDoubleClickEvent(event);
  inDoubleClick_ = event->button() == Qt::LeftButton;
  if (inDoubleClick_ && at.isValid()) emit rowDoubleClicked(at.row(), at.column());
}

void SkinnedListCtrl::mouseReleaseEvent(QMouseEvent* event) {
  // The release that ends a double-click is not another click.
  QTreeView::mouseReleaseEvent(event);
  inDoubleClick_ = false;
}

void SkinnedListCtrl::keyPressEvent(QKeyEvent* event) {
  emit keyPressed(event->key());
  QTreeView::keyPressEvent(event);
}

void SkinnedListCtrl::ShowPopup(const QPoint& globalPos) {
  QMenu menu(this);
  for (const MenuItemTemplate& item : menu_) {
    if (item.id == kSeparator) {
      menu.addSeparator();
      continue;
    }
    menu.addAction(FromGameText(item.text))->setData(item.id);
  }
  QAction* chosen = menu.exec(globalPos);
  if (!chosen) return;
  const int id = chosen->data().toInt();
  emit popupCommand(id);
  if (auto* dialog = qobject_cast<SkinnedDialog*>(window())) dialog->OnCommand(id);
}

}  // namespace vyk
