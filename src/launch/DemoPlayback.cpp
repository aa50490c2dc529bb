#include "launch/DemoPlayback.h"

#include <algorithm>
#include <utility>

#include "core/StatusLine.h"
#include "core/Text.h"
#include "launch/ConnectCommandLine.h"
#include "launch/GameFiles.h"
#include "launch/GameStarter.h"
#include "launch/ProtocolSwitch.h"
#include "platform/FileConventions.h"

namespace vyk {
namespace {

// Replaces every occurrence of `what` (any case, any of the system's path
// separators for '/') by `marker`; false when none. The first replaced text,
// as it was written, goes to `firstFound`.
bool ReplaceNoCase(std::string& text, const std::string& what, char marker,
                   std::string* firstFound) {
  std::string lower = Lower(WithForwardSlashes(text));
  std::string out;
  bool any = false;
  std::size_t from = 0;
  for (std::size_t at; (at = lower.find(what, from)) != std::string::npos;
       from = at + what.size()) {
    if (!any && firstFound) *firstFound = text.substr(at, what.size());
    any = true;
    out.append(text, from, at - from);
    out.push_back(marker);
  }
  out.append(text, from, std::string::npos);
  text = out;
  return any;
}

// Part before and after the first marker.
bool SplitAtMarker(const std::string& text, char marker, std::string& before, std::string& after) {
  std::size_t at = text.find(marker);
  if (at == std::string::npos) return false;
  before = text.substr(0, at);
  after = text.substr(at + 1);
  return true;
}

// Unused markers are shown as the separator that the game's own platform
// cannot have in a file name.
std::string Unmark(std::string text, char marker) {
  std::replace(text.begin(), text.end(), marker, '|');
  return text;
}

}  // namespace

DemoPath ParseDemoPath(const std::string& gameDirectory, const std::string& demoPath) {
  // NUL cannot be part of a path, so the markers never meet a real character.
  constexpr char kMarker = '\0';
  DemoPath demo;
  if (Lower(WithForwardSlashes(demoPath))
          .compare(0, gameDirectory.size(), Lower(WithForwardSlashes(gameDirectory))) != 0) {
    demo.error = "The demo must be in a subdirectory of quake III";
    return demo;
  }
  // Only the leading directory goes: without a drive letter its text may
  // well come back further down the path.
  std::string rel = demoPath.substr(gameDirectory.size());
  if (!ReplaceNoCase(rel, "/demos/", kMarker, nullptr)) {
    demo.error = "The demo must be in a subdirectory called 'demos' of a quake III mod";
    return demo;
  }
  demo.extension = ".dm_";
  if (!ReplaceNoCase(rel, ".dm_", kMarker, &demo.extension)) {
    demo.error = "The file must be a demo (*.dm_]";
    return demo;
  }
  std::string rest;
  if (SplitAtMarker(rel, kMarker, demo.mod, rest)) {
    SplitAtMarker(rest, kMarker, demo.name, demo.protocol);
  }
  demo.mod = Unmark(demo.mod, kMarker);
  demo.name = Unmark(demo.name, kMarker);
  demo.protocol = Unmark(demo.protocol, kMarker);
  if (demo.mod.empty()) {
    demo.error = "Unable to determine the mod used";
  } else if (demo.protocol.empty()) {
    demo.error = "Unable to determine the protocol used";
  }
  return demo;
}

std::string DemoCommandLine(const DemoPath& demo) {
  return " +set fs_game " + demo.mod + " +demo " + demo.name + demo.extension + demo.protocol;
}

Outcome PlayDemo(const GameFiles& game, const std::string& demoPath, GameStarter& starter) {
  ScopedStatus status("Launching Demo :" + demoPath);
  DemoPath demo = ParseDemoPath(game.directory, demoPath);
  if (!demo.error.empty()) return Outcome::Failure(demo.error).KeepingStatus(status);
  if (Outcome switched = SwitchToProtocol(game, demo.protocol); !switched)
    return std::move(switched).KeepingStatus(status);
  const std::string commandLine = DemoCommandLine(demo);
  RecordLastRun(commandLine);
  std::string executable = game.Find(kActiveExecutable);
  if (executable.empty()) executable = kActiveExecutable;
  const bool started = starter.StartGame(executable, commandLine, game.directory);
  return started ? Outcome() : Outcome::Failure();
}

}  // namespace vyk
