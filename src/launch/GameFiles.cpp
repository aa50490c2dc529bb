#include "launch/GameFiles.h"

#include <filesystem>
#include <system_error>

#include "core/Text.h"
#include "platform/FileConventions.h"

namespace vyk {

GameFiles::GameFiles(const std::string& gamePath) {
  std::size_t slash = gamePath.find_last_of(kPathSeparators);
  if (slash == std::string::npos) {
    file = gamePath;
    return;
  }
  directory = gamePath.substr(0, slash + 1);
  file = gamePath.substr(slash + 1);
}

std::string FindNameNoCase(const std::string& directory, const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path dir = directory.empty() ? fs::path(".") : fs::path(directory);
  if (fs::exists(fs::symlink_status(dir / name, ec))) return name;
  const std::string lowerName = Lower(name);
  std::string found;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string entry = it->path().filename().string();
    // Smallest matching name, so the choice does not depend on listing order.
    if (entry.size() == name.size() && Lower(entry) == lowerName &&
        (found.empty() || entry < found))
      found = entry;
  }
  return found;
}

std::string GameFiles::PathOf(const std::string& name) const {
  std::string actual = Find(name);
  return directory + (actual.empty() ? name : actual);
}

}  // namespace vyk
