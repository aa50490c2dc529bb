// Figures for the server list view: 10,000 answered servers with players (records filled
// directly, no network), a rebuild of every row, sorts on the name, ping and favourite
// keys, a scroll from top to bottom with every step painted, and the search field's
// filter typed a key at a time (each keystroke timed with its repaint). Runs offscreen in a
// home of its own; prints milliseconds, never fails on time.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchHome.h"
#include "config/ConfigFile.h"
#include "core/ServerCache.h"
#include "ui/ServerListView.h"

namespace {

constexpr int kServers = 10000;

long RssMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6) / 1024;
  return -1;
}

vyk::ServerInfo MakeServer(int i) {
  vyk::ServerInfo s("127.0.0.1", static_cast<std::uint16_t>(20000 + i));
  s.queried = true;
  s.ping = (i * 7919) % 400;
  s.name = "^" + std::to_string(i % 8) + "Server ^7number " + std::to_string((i * 31) % kServers);
  s.info = {{"g_needpass", i % 23 == 0 ? "1" : "0"},
            {"mapname", "q3dm" + std::to_string(i % 19)},
            {"protocol", "68"},
            {"sv_hostname", s.name},
            {"sv_maxclients", "16"},
            {"sv_privateClients", "2"},
            {"version", "ioq3 1.36 linux-x86_64"}};
  const int players = i % 15;
  for (int p = 0; p < players; ++p)
    s.players.Add(
        {"^" + std::to_string(p % 8) + "Player" + std::to_string(p), 20 + p, p * 2, false});
  return s;
}

double Ms(const QElapsedTimer& t) {
  return t.nsecsElapsed() / 1e6;
}

void FillList(vyk::ServerListView& view) {
  view.Buddies().Add({"player3", 0, 0, false});
  for (int i = 0; i < kServers; ++i) view.Servers().Add(MakeServer(i));
  for (int i = 0; i < kServers; i += 50) vyk::SetFavorite(view.Servers().At(i).Address(), true);
}

double RebuildMs(QApplication& app, vyk::ServerListView& view) {
  QElapsedTimer t;
  t.start();
  view.RebuildRows(false);
  app.processEvents();
  return Ms(t);
}

// The slowest of the sorts, each told on stdout.
double SortMaxMs(QApplication& app, vyk::ServerListView& view) {
  double sortMax = 0;
  for (int key : {0, 4, 7}) {
    QElapsedTimer t;
    t.start();
    view.SortBy(key);
    app.processEvents();
    const double ms = Ms(t);
    std::printf("sort key %d: %.1f ms\n", key, ms);
    sortMax = std::max(sortMax, ms);
  }
  return sortMax;
}

// A scroll from top to bottom, a page at a time, told on stdout.
double ScrollMs(vyk::ServerListView& view) {
  QScrollBar* bar = view.verticalScrollBar();
  const int step = std::max(1, bar->pageStep());
  int pages = 0;
  QElapsedTimer t;
  t.start();
  for (int v = 0; v <= bar->maximum(); v += step, ++pages) {
    bar->setValue(v);
    view.viewport()->repaint();
  }
  const double scrollMs = Ms(t);
  std::printf("rows=%d pages painted=%d (%.2f ms a page)\n", view.RowCount(), pages,
              pages ? scrollMs / pages : 0.0);
  return scrollMs;
}

// What a player types: a few letters of a player's name, a backspace, a text nothing
// holds, then the field cleared; the slowest keystroke is the figure.
double SearchMaxMs(QApplication& app, vyk::ServerListView& view) {
  double searchMax = 0;
  for (const char* typed : {"p", "pl", "pla", "play", "playe", "player", "player1", "player",
                            "q3dm1", "number 99", "zzz", ""}) {
    QElapsedTimer t;
    t.start();
    view.ApplySearch(typed);
    view.viewport()->repaint();
    app.processEvents();
    searchMax = std::max(searchMax, Ms(t));
  }
  return searchMax;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const bench::BenchHome home("ui_bench");
  if (!home.Made()) return 1;

  int status = 0;
  {
    QApplication app(argc, argv);
    vyk::Settings settings;
    LoadSettings(settings);
    vyk::ServerBrowser browser(settings.lastServerSort);
    vyk::ServerListView view(settings, browser);
    view.resize(900, 600);
    view.SetUpColumns();
    view.show();
    app.processEvents();
    FillList(view);

    const double rebuildMs = RebuildMs(app, view);
    const double sortMax = SortMaxMs(app, view);
    const double scrollMs = ScrollMs(view);
    const double searchMax = SearchMaxMs(app, view);
    std::printf("ui_bench: search rows=%d search_ms=%.0f\n", kServers, searchMax);
    std::printf("ui_bench: servers=%d rebuild_ms=%.0f sort_max_ms=%.0f scroll_ms=%.0f rss_mb=%ld\n",
                kServers, rebuildMs, sortMax, scrollMs, RssMb());
    status = view.RowCount() == kServers ? 0 : 1;
  }
  return status;
}
