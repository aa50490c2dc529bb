// The line lists kept beside Config.ini, of any content: the line reader, the
// server list, buddy list and alias list loaders, and a save of each that
// must load back to the same entries.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "config/AliasList.h"
#include "config/BuddyList.h"
#include "config/ListFile.h"
#include "config/ServerListFile.h"
#include "core/ServerList.h"
#include "core/Text.h"
#include "platform/ProfileFile.h"

namespace {

using namespace vyk;

// The alias Config.ini names as the last one chosen; choosing it again
// writes nothing.
const char kLastAlias[] = "^1Vyk^7Player";

std::vector<std::string> Names(const NameList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list[i].name);
  return names;
}

std::vector<std::string> Addresses(const ServerList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.At(i).Address());
  return out;
}

void CheckLines(std::string_view input, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    FUZZ_CHECK(line.size() <= kMaxListLine);
    FUZZ_CHECK(line.find('\n') == std::string::npos && line.find('\0') == std::string::npos);
  }
  // Without CR and NUL bytes the pieces hold every byte but the line feeds.
  if (input.find_first_of(std::string_view("\r\0", 2)) != std::string_view::npos) return;
  std::size_t kept = 0;
  for (const std::string& line : lines) kept += line.size();
  std::size_t feeds = 0;
  for (char c : input) feeds += c == '\n' ? 1 : 0;
  FUZZ_CHECK(kept + feeds == input.size());
}

void CheckServerList(const std::string& path, const std::string& home) {
  ServerList list;
  list.Add(ServerInfo("10.0.0.1", 27960, ""));
  FUZZ_CHECK(LoadServerListFile(list, true, path));
  bool fits = true;
  for (int i = 0; i < list.Count(); ++i) {
    const ServerInfo& record = list.At(i);
    // Only an IPv6 host holds a colon, and its address writes it in brackets.
    FUZZ_CHECK(record.port != 0);
    FUZZ_CHECK(record.host.find(':') == std::string::npos || record.Address().front() == '[');
    if (record.Address().size() > kMaxListLine) fits = false;
  }
  const std::string saved = home + "server.out";
  FUZZ_CHECK(SaveServerListFile(list, saved));
  // An address longer than a line is read back in pieces; any other comes
  // back as it went.
  if (!fits) return;
  ServerList again;
  FUZZ_CHECK(LoadServerListFile(again, true, saved));
  FUZZ_CHECK(Addresses(again) == Addresses(list));
}

void CheckBuddyList(const std::string& path, const std::string& home) {
  BuddyList buddies;
  buddies.Add({"stale", 0, 0, false});
  FUZZ_CHECK(buddies.Load(path));
  for (const std::string& name : Names(buddies)) {
    FUZZ_CHECK(!name.empty() && name == Trim(name));
  }
  const std::string saved = home + "player.out";
  FUZZ_CHECK(buddies.Save(saved));
  BuddyList again;
  FUZZ_CHECK(again.Load(saved));
  FUZZ_CHECK(Names(again) == Names(buddies));
}

void CheckAliasList(const std::string& path) {
  AliasList aliases;
  FUZZ_CHECK(aliases.Load(path));
  const int last = aliases.FindAlias(kLastAlias);
  FUZZ_CHECK(aliases.Chosen() == last);
  FUZZ_CHECK(aliases.ChosenAlias().name == (last >= 0 ? kLastAlias : ""));
  if (aliases.Count() == 0) return;
  // Removing an alias keeps the choice on the same name, or on none.
  const std::string first = aliases[0].name;
  aliases.RemoveAlias(first);
  FUZZ_CHECK(aliases.Chosen() < 0 || aliases.ChosenAlias().name == kLastAlias);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string& home = vyk::fuzz::FuzzHome();
  vyk::ProfileFile::Write(home + "Config.ini", "info", "LastAlias", kLastAlias);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = vyk::fuzz::Bytes(data, size);
  const std::string& home = vyk::fuzz::FuzzHome();
  const std::string path = home + "list.vyk";
  vyk::fuzz::WriteWholeFile(path, input);

  std::vector<std::string> lines;
  FUZZ_CHECK(ReadListFileLines(path, lines));
  CheckLines(input, lines);
  for (const std::string& line : lines) {
    const std::string trimmed = Trim(line);
    FUZZ_CHECK(trimmed.size() <= line.size() && line.find(trimmed) != std::string::npos);
  }

  CheckServerList(path, home);
  CheckBuddyList(path, home);
  CheckAliasList(path);
  return 0;
}
