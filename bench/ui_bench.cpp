// Figures for the owner-drawn list: rebuilding 10,000 server rows, sorting them, and
// painting one screen of them. Runs offscreen; prints milliseconds, never fails on time.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "config/Settings.h"
#include "ui/widgets/ColourText.h"
#include "ui/widgets/SkinnedListCtrl.h"

namespace {

class ColourNameList : public vyk::SkinnedListCtrl {
 public:
  using SkinnedListCtrl::SkinnedListCtrl;
  void DrawCell(QPainter& p, int row, int column, const QRect& cell) override {
    if (column != 0) return SkinnedListCtrl::DrawCell(p, row, column, cell);
    QRect r = cell.adjusted(16, 1, -1, -1);
    vyk::DrawColourText(p, r, ItemText(row, 0));
  }
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vyk::Settings settings;
  ColourNameList list(settings);
  const char* titles[] = {"Server", "Buddy", "Player", "Map", "Ping", "IP", "<#>", "Fav"};
  const int widths[] = {200, 50, 50, 100, 40, 150, 30, 30};
  for (int c = 0; c < 8; ++c) list.InsertColumn(c, titles[c], widths[c]);
  list.resize(900, 600);
  list.show();
  app.processEvents();

  constexpr int kRows = 10000;
  std::vector<int> ping(kRows);
  for (int i = 0; i < kRows; ++i) ping[i] = (i * 7919) % 400;

  std::vector<double> rebuild, sort, paint;
  for (int round = 0; round < 7; ++round) {
    QElapsedTimer t;
    t.start();
    list.BeginRowBatch();
    list.DeleteAllRows();
    for (int i = 0; i < kRows; ++i) {
      const int row = list.InsertRow(i, "^1Server ^7number " + std::to_string(i), i);
      list.SetItemText(row, 1, i % 13 == 0 ? "1" : "");
      list.SetItemText(row, 2, std::to_string(i % 17) + "/16");
      list.SetItemText(row, 3, "q3dm" + std::to_string(i % 19));
      list.SetItemText(row, 4, std::to_string(ping[i]));
      list.SetItemText(row, 5, "127.0.0.1:" + std::to_string(27960 + i));
      list.SetItemText(row, 6, "");
      list.SetItemText(row, 7, i % 50 == 0 ? " *" : "");
    }
    list.EndRowBatch();
    rebuild.push_back(t.nsecsElapsed() / 1e6);

    t.restart();
    list.SortRows([&ping](std::intptr_t a, std::intptr_t b) { return ping[a] < ping[b]; });
    sort.push_back(t.nsecsElapsed() / 1e6);

    t.restart();
    list.viewport()->repaint();
    paint.push_back(t.nsecsElapsed() / 1e6);
  }
  std::printf("SkinnedListCtrl, %d rows x 8 columns, median of %zu rounds:\n", kRows,
              rebuild.size());
  std::printf("  rebuild rows   %8.2f ms\n", Median(rebuild));
  std::printf("  sort by ping   %8.2f ms\n", Median(sort));
  std::printf("  paint one page %8.2f ms\n", Median(paint));
  return 0;
}
