// Demo paths against a game directory, and the game command lines made of
// them and of a server's "gamename": ParseDemoPath, DemoCommandLine, the
// protocol and fs_game checks, and the splitting the game start applies.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "launch/ConnectCommandLine.h"
#include "launch/DemoPlayback.h"
#include "launch/ProtocolSwitch.h"
#include "platform/ProcessStart.h"

namespace {

using namespace vyk;

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + what.size()))
    ++count;
  return count;
}

bool IsPlainArgument(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (static_cast<unsigned char>(c) <= ' ' || c == '"') return false;
  return true;
}

void CheckDemo(const std::string& gameDirectory, const std::string& path) {
  const DemoPath demo = ParseDemoPath(gameDirectory, path);
  if (!demo.error.empty()) return;
  FUZZ_CHECK(!demo.mod.empty() && !demo.protocol.empty());
  FUZZ_CHECK(Lower(demo.extension) == ".dm_");
  for (const std::string* field : {&demo.mod, &demo.name, &demo.protocol})
    FUZZ_CHECK(field->find('\0') == std::string::npos);
  const std::string line = DemoCommandLine(demo);
  FUZZ_CHECK(line ==
             " +set fs_game " + demo.mod + " +demo " + demo.name + demo.extension + demo.protocol);

  // A path with one "/demos/" and one ".dm_" after it is cut exactly there.
  const std::string rel = path.substr(gameDirectory.size());
  const std::string lowerRel = Lower(rel);
  if (path.find('\0') == std::string::npos && Occurrences(lowerRel, "/demos/") == 1 &&
      Occurrences(lowerRel, ".dm_") == 1 && lowerRel.find("/demos/") < lowerRel.find(".dm_")) {
    const std::string rebuilt = demo.mod + "/demos/" + demo.name + ".dm_" + demo.protocol;
    FUZZ_CHECK(Lower(rebuilt) == lowerRel);
  }

  // A demo is only played when its protocol is plain digits; with a plain mod
  // and name the game then gets exactly these arguments.
  if (IsProtocolText(demo.protocol) && IsPlainArgument(demo.mod) && IsPlainArgument(demo.name)) {
    const std::vector<std::string> args = SplitCommandLine(line);
    FUZZ_CHECK(args == (std::vector<std::string>{"+set", "fs_game", demo.mod, "+demo",
                                                 demo.name + demo.extension + demo.protocol}));
  }
}

void CheckFolderName(const std::string& text) {
  if (!IsPlainFolderName(text)) return;
  // Nothing in it can start another game command or argument.
  FUZZ_CHECK(text != "." && text != "..");
  for (char c : text) FUZZ_CHECK(c != '+' && c != '"' && c != '/' && c != '\\' && c > ' ');
  FUZZ_CHECK(SplitCommandLine("+set fs_game " + text).size() == 3);
}

// The target's work on one input.
void CheckText(const std::string& text) {
  // "<game directory>\n<demo path>", or a path under a fixed directory.
  const std::size_t newline = text.find('\n');
  if (newline != std::string::npos) CheckDemo(text.substr(0, newline), text.substr(newline + 1));
  CheckDemo("/home/player/quake3/", text);
  CheckDemo("", text);

  CheckFolderName(text);
  FUZZ_CHECK(IsProtocolText(text) == (!text.empty() && text.size() <= 5 &&
                                      text.find_first_not_of("0123456789") == std::string::npos));
}

}  // namespace

VYK_FUZZ_TEXT_TARGET(CheckText)
