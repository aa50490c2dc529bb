#include "launch/ProtocolChoice.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/Text.h"
#include "launch/GameFiles.h"
#include "launch/ProtocolSwitch.h"

namespace vyk {
namespace {

bool KeepsEntry(const std::string& name) {
  std::string rest = ProtocolOfEntry(name);
  return ParseLeadingInt(rest) > 0 || rest == "exe";
}

}  // namespace

std::vector<std::string> ListProtocolEntries(const GameFiles& game) {
  namespace fs = std::filesystem;
  const std::string& dir = game.directory;
  const std::string prefix = kVersionedPrefix;
  std::vector<std::string> entries;
  std::error_code ec;
  fs::path where = dir.empty() ? fs::path(".") : fs::path(dir);
  for (fs::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc)) continue;
    std::string name = it->path().filename().string();
    if (Lower(name).compare(0, prefix.size(), prefix) != 0) continue;
    if (KeepsEntry(name)) entries.push_back(name);
  }
  std::sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
    std::string la = Lower(a), lb = Lower(b);
    return la != lb ? la < lb : a < b;
  });
  return entries;
}

std::string ProtocolOfEntry(const std::string& entry) {
  std::string text = Lower(entry);
  const std::string prefix = kVersionedPrefix;
  for (std::size_t at = 0; (at = text.find(prefix, at)) != std::string::npos;) {
    text.erase(at, prefix.size());
  }
  return text;
}

Outcome ApplyProtocolChoice(const GameFiles& game, const std::string& entry) {
  std::string protocol = ProtocolOfEntry(entry);
  if (protocol == "exe") return {};
  const std::string prefix = kVersionedPrefix;
  // A listed entry names a file of the game directory, so that very file is
  // copied, whatever follows its prefix; the combo's empty text names none.
  if (Lower(entry).compare(0, prefix.size(), prefix) == 0)
    return SwitchToVersionFile(game, protocol, entry);
  return SwitchToProtocol(game, protocol);
}

}  // namespace vyk
