#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <chrono>

#include "UiTestUtil.h"
#include "ui/widgets/SkinnedHeaderCtrl.h"
#include "ui/widgets/SkinnedListCtrl.h"

namespace vyk {
namespace {

using test::CountColour;

class LongTextList : public SkinnedListCtrl {
 public:
  using SkinnedListCtrl::SkinnedListCtrl;
  std::string CellText(int row, int column) const override {
    if (column == 1) return {};
    return std::string(100, static_cast<char>('a' + row % 26));
  }
};

// Records the order of the drawing calls of one row.
class RecordingList : public SkinnedListCtrl {
 public:
  using SkinnedListCtrl::SkinnedListCtrl;
  std::vector<std::string> calls;
  void DrawRowBackground(QPainter& p, int row, const QRect& r) override {
    calls.push_back("bg" + std::to_string(row));
    SkinnedListCtrl::DrawRowBackground(p, row, r);
  }
  void DrawCell(QPainter& p, int row, int column, const QRect& r) override {
    calls.push_back("cell" + std::to_string(row) + "." + std::to_string(column));
    SkinnedListCtrl::DrawCell(p, row, column, r);
  }
};

Settings Colours() {
  Settings s;
  s.bgColor = MakeColor(0, 0, 0);
  s.textColor = MakeColor(180, 180, 180);
  s.selectedTextColor = MakeColor(255, 0, 0);
  return s;
}

void AddColumns(SkinnedListCtrl& list, std::initializer_list<std::pair<const char*, int>> columns) {
  int c = 0;
  for (const auto& [title, width] : columns) list.InsertColumn(c++, title, width);
}

void ShowSized(QWidget& w, int width, int height) {
  w.resize(width, height);
  w.show();
  QApplication::processEvents();
}

QImage Render(QWidget& w) {
  return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(SkinnedListCtrl, RowsCarryDataAndTexts) {
  Settings s = Colours();
  SkinnedListCtrl list(s);
  AddColumns(list, {{"Name", 100}, {"Ping", 40}});
  EXPECT_EQ(list.InsertRow(5, "b", 11), 0);  // clamped to the end
  EXPECT_EQ(list.InsertRow(0, "a", 10), 0);
  EXPECT_EQ(list.InsertRow(99, "c", 12), 2);
  list.SetItemText(2, 1, "42");
  list.SetItemText(9, 1, "ignored");
  EXPECT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.ItemText(0, 0), "a");
  EXPECT_EQ(list.ItemText(2, 1), "42");
  EXPECT_EQ(list.ItemText(2, 5), "");
  EXPECT_EQ(list.RowData(1), 11);
  EXPECT_EQ(list.RowData(3), -1);
  EXPECT_EQ(list.FindRow(12), 2);
  EXPECT_EQ(list.FindRow(99), -1);
  list.DeleteRow(0);
  EXPECT_EQ(list.FindRow(12), 1);
  list.DeleteAllRows();
  EXPECT_EQ(list.RowCount(), 0);
}

TEST(SkinnedListCtrl, SortAscendingListsPlaceRowsByTheirText) {
  Settings s = Colours();
  SkinnedListCtrl list(s);
  list.SetSortAscending(true);
  list.InsertColumn(0, "Name", 100);
  for (const char* name : {"bob", "Alice", "carl", "BOB", "al"}) list.InsertRow(0, name, 0);
  std::vector<std::string> order;
  for (int r = 0; r < list.RowCount(); ++r) order.push_back(list.ItemText(r, 0));
  EXPECT_EQ(order, (std::vector<std::string>{"al", "Alice", "bob", "BOB", "carl"}));
}

TEST(SkinnedListCtrl, SortKeepsTheSelectionOnItsRows) {
  Settings s = Colours();
  SkinnedListCtrl list(s);
  list.InsertColumn(0, "Name", 100);
  list.BeginRowBatch();
  for (int i = 0; i < 10; ++i) list.InsertRow(i, std::to_string(i), i);
  list.EndRowBatch();
  list.SetRowSelected(2, true);
  list.SetRowSelected(7, true);
  list.SortRows([](std::intptr_t a, std::intptr_t b) { return a > b; });
  EXPECT_EQ(list.RowData(0), 9);
  EXPECT_EQ(list.ItemText(0, 0), "9");
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2, 7}));  // rows of data 7 and 2
  EXPECT_EQ(list.RowData(2), 7);
  list.SortRows([](std::intptr_t a, std::intptr_t b) { return a < b; });
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2, 7}));
  EXPECT_EQ(list.RowData(7), 7);
}

TEST(SkinnedListCtrl, TenThousandRowsRebuildAndSortQuickly) {
  Settings s = Colours();
  SkinnedListCtrl list(s);
  for (int c = 0; c < 8; ++c) list.InsertColumn(c, "c", 50);
  list.resize(600, 400);
  const auto start = std::chrono::steady_clock::now();
  list.BeginRowBatch();
  list.DeleteAllRows();
  for (int i = 0; i < 10000; ++i) {
    const int row = list.InsertRow(i, "server " + std::to_string(i), i);
    for (int c = 1; c < 8; ++c) list.SetItemText(row, c, std::to_string(i * c));
  }
  list.EndRowBatch();
  list.SortRows([](std::intptr_t a, std::intptr_t b) { return a % 97 < b % 97; });
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  EXPECT_EQ(list.RowCount(), 10000);
  EXPECT_EQ(list.RowData(1), 97);
  // Loose bound: catches a per-cell item or per-row signal design, not a slow machine.
  EXPECT_LT(ms, 5000);
}

// A cell text a server chose, shown as a tooltip, stays text: no markup of it is obeyed.
TEST(SkinnedListCtrl, TooltipShowsMarkupAsText) {
  class MarkupList : public SkinnedListCtrl {
   public:
    using SkinnedListCtrl::SkinnedListCtrl;
    std::string CellText(int, int) const override {
      return "<img width=4000 height=4000> <b>&amp;</b>\x1b";
    }
  };
  Settings s = Colours();
  MarkupList list(s);
  list.InsertColumn(0, "Name", 200);
  list.InsertRow(0, "x", 0);
  ShowSized(list, 300, 100);
  const QPoint at = list.CellRect(0, 0).center();
  QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
  QApplication::sendEvent(list.viewport(), &help);
  QLabel* tip = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("qtooltip_label") && w->isVisible())
      tip = qobject_cast<QLabel*>(w);
  ASSERT_NE(tip, nullptr);
  QString shown = QTextDocumentFragment::fromHtml(tip->text()).toPlainText();
  shown.replace(QChar::Nbsp, QLatin1Char(' '));
  EXPECT_EQ(shown, list.TooltipText(0, 0));
  EXPECT_LT(tip->sizeHint().width(), 1000);  // the picture's 4000 pixels were not laid out
  EXPECT_LT(tip->sizeHint().height(), 200);
  QToolTip::hideText();
}

TEST(SkinnedListCtrl, TooltipIsTheCellTextCutTo79Characters) {
  Settings s = Colours();
  LongTextList list(s);
  AddColumns(list, {{"Name", 100}, {"Ping", 40}});
  list.InsertRow(0, "x", 0);
  list.InsertRow(1, "y", 1);
  EXPECT_EQ(list.TooltipText(1, 0), QString(79, QLatin1Char('b')));
  EXPECT_TRUE(list.TooltipText(0, 1).isEmpty());
  EXPECT_TRUE(list.TooltipText(5, 0).isEmpty());
  SkinnedListCtrl base(s);
  base.InsertColumn(0, "Name", 100);
  base.InsertRow(0, "x", 0);
  EXPECT_TRUE(base.TooltipText(0, 0).isEmpty());  // the base has no tooltip text
}

TEST(SkinnedListCtrl, FirstColumnTakesTheRestButNeverLessThan50) {
  EXPECT_EQ(SkinnedListCtrl::FirstColumnWidth(600, 17, 400), 178);
  EXPECT_EQ(SkinnedListCtrl::FirstColumnWidth(477, 17, 400), 55);
  EXPECT_EQ(SkinnedListCtrl::FirstColumnWidth(476, 17, 400), 50);  // 54 becomes 50
  EXPECT_EQ(SkinnedListCtrl::FirstColumnWidth(100, 17, 400), 50);

  Settings s = Colours();
  SkinnedListCtrl list(s);
  AddColumns(list, {{"Name", 10}, {"Ping", 300}});
  ShowSized(list, 200, 100);
  EXPECT_EQ(list.columnWidth(0), 50);
  list.resize(800, 100);
  QApplication::processEvents();
  EXPECT_GT(list.columnWidth(0), 400);
  EXPECT_LT(list.columnWidth(0), 500);
}

TEST(SkinnedListCtrl, RowDrawingOrderAndSelectionStyles) {
  Settings s = Colours();
  RecordingList list(s);
  AddColumns(list, {{"Name", 120}, {"Map", 120}});
  list.InsertRow(0, "WWWW", 0);
  list.SetItemText(0, 1, "MMMM");
  list.InsertRow(1, "WWWW", 1);
  list.resize(300, 120);
  list.SetRowSelected(1, true);

  list.calls.clear();
  QImage img = Render(list);
  const std::vector<std::string> expected{"bg0", "cell0.0", "cell0.1", "bg1", "cell1.0", "cell1.1"};
  EXPECT_EQ(list.calls, expected);

  // Style 0: the selected row gets a sunken frame (dark top edge), text stays textColor.
  const QRect row1 = list.CellRect(1, 0).translated(list.viewport()->pos());
  EXPECT_TRUE(test::SameRgb(img.pixel(row1.left() + 20, row1.top()), MakeColor(128, 128, 128)));
  EXPECT_EQ(CountColour(img, row1, s.selectedTextColor), 0);
  EXPECT_GT(CountColour(img, row1, s.textColor), 0);

  list.SetSelectionStyle(1);
  img = Render(list);
  EXPECT_GT(CountColour(img, row1, s.selectedTextColor), 0);
  const QRect row0 = list.CellRect(0, 0).translated(list.viewport()->pos());
  EXPECT_EQ(CountColour(img, row0, s.selectedTextColor), 0);
  EXPECT_FALSE(test::SameRgb(img.pixel(row1.left() + 20, row1.top()), MakeColor(128, 128, 128)));
}

TEST(SkinnedHeaderCtrl, SortColumnTitleInSelectedTextColour) {
  Settings s = Colours();
  SkinnedListCtrl list(s);
  AddColumns(list, {{"Server", 100}, {"Ping", 100}, {"Map", 100}});
  list.SetSortColumn(1);
  ShowSized(list, 360, 120);
  SkinnedHeaderCtrl* header = list.Header();
  QImage img = header->grab().toImage().convertToFormat(QImage::Format_RGB32);
  auto section = [&](int c) {
    return QRect(header->sectionViewportPosition(c), 0, header->sectionSize(c), img.height());
  };
  EXPECT_GT(CountColour(img, section(1), s.selectedTextColor), 0);
  EXPECT_EQ(CountColour(img, section(0), s.selectedTextColor), 0);
  EXPECT_EQ(CountColour(img, section(2), s.selectedTextColor), 0);
  EXPECT_GT(CountColour(img, section(0), s.textColor), 0);

  list.SetSortColumn(8);  // a sort key with no column: nothing highlighted
  img = header->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(CountColour(img, img.rect(), s.selectedTextColor), 0);
}

}  // namespace
}  // namespace vyk

#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include "ui/widgets/SkinnedDialog.h"

namespace vyk {
namespace {

class CommandDialog : public SkinnedDialog {
 public:
  using SkinnedDialog::SkinnedDialog;
  std::vector<int> commands;
  void OnCommand(int id) override { commands.push_back(id); }
};

TEST(SkinnedListCtrl, RightButtonSelectsTheRowThenTheMenuCommandGoesToTheDialog) {
  Settings s = Colours();
  CommandDialog dialog(s);
  dialog.resize(300, 200);
  auto* list = new SkinnedListCtrl(s, &dialog);
  list->setGeometry(0, 0, 300, 200);
  list->InsertColumn(0, "Name", 200);
  list->InsertRow(0, "a", 10);
  list->InsertRow(1, "b", 11);
  list->SetPopupMenu(MenuResource(143));
  int selected = -1;
  QObject::connect(list, &SkinnedListCtrl::rowSelected, [&selected](int r) { selected = r; });
  dialog.show();
  QApplication::processEvents();

  // Once the menu is up, pick its second entry ("Connect") with the keyboard.
  QTimer::singleShot(50, [] {
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    for (int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(popup, &press);
    }
  });
  const QPoint at = list->CellRect(1, 0).center();
  QMouseEvent press(QEvent::MouseButtonPress, at, list->viewport()->mapToGlobal(at),
                    Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &press);
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(list->SelectedRows(), std::vector<int>{1});
  EXPECT_EQ(dialog.commands, std::vector<int>{1018});
}

}  // namespace
}  // namespace vyk
