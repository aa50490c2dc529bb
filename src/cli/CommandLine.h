#pragma once
// The switches that work without a window (--query, --refresh, --master,
// --rcon, --help, --version). Call before the window starts: a handled
// command line gives the exit code; nothing means "start the window" (no
// switch, only the file argument of a demo, or an embedding switch).
#include <QStringList>
#include <chrono>
#include <iosfwd>
#include <optional>

#include "core/AnswerWait.h"
#include "discovery/MasterQuery.h"

namespace vyk {

std::optional<int> RunCommandLine(int argc, char** argv);

// The same on decoded arguments (the first is the program), printing to the
// given streams. Needs no application object. firstWait: each server
// exchange's wait for its first datagram; masterWaits: the master exchanges'.
std::optional<int> RunCommandLine(const QStringList& arguments, std::ostream& out,
                                  std::ostream& err, bool errIsTerminal = false,
                                  std::chrono::milliseconds firstWait = kAnswerWait,
                                  const MasterWaits& masterWaits = {});

}  // namespace vyk
