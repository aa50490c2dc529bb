#include "launch/ProtocolSwitch.h"

#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>
#include <vector>

#include "core/StatusLine.h"
#include "launch/GameFiles.h"
#include "platform/FileConventions.h"

namespace vyk {
namespace fs = std::filesystem;

bool IsProtocolText(const std::string& protocol) {
  if (protocol.empty() || protocol.size() > 5) return false;
  for (char c : protocol) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

namespace {

// Copies `source` over the active executable of `dir`; `wanted` names the
// source in the message when it is missing.
bool CopyOverActive(const GameFiles& game, const std::string& source, const std::string& wanted) {
  std::error_code ec;
  if (!fs::exists(source, ec)) {
    ShowErrorMessage("Unable to find :\n" + wanted);
    return false;
  }
  const std::string target = game.PathOf(kActiveExecutable);

  // Already the same file (a link): it is a complete copy of itself, and
  // deleting the target would lose the source.
  if (fs::equivalent(source, target, ec)) return true;

  try {
    if (fs::exists(fs::symlink_status(target))) fs::remove(target);
  } catch (const fs::filesystem_error&) {
    ShowErrorMessage("Unable to remove :\n" + target);
    return false;
  }

  std::ofstream out;
  out.exceptions(std::ios::failbit | std::ios::badbit);
  try {
    out.open(target, std::ios::binary | std::ios::trunc);
  } catch (const std::ios::failure&) {
    ShowErrorMessage("Unable to Create or open  :\n" + target);
    return false;
  }

  std::ifstream in;
  in.exceptions(std::ios::failbit | std::ios::badbit);
  try {
    in.open(source, std::ios::binary);
  } catch (const std::ios::failure&) {
    ShowErrorMessage("Unable to Open  :\n" + source);
    return false;
  }

  std::vector<char> buffer;
  fs::perms mode{};
  try {
    mode = fs::status(source).permissions();
    buffer.resize(static_cast<std::size_t>(fs::file_size(source)));
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  } catch (const std::system_error&) {  // filesystem_error and ios::failure
    ShowErrorMessage("Unable to Read :\n" + source);
    return false;
  } catch (const std::bad_alloc&) {
    ShowErrorMessage("Unable to Read :\n" + source);
    return false;
  }

  try {
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    out.close();
    fs::permissions(target, mode, fs::perm_options::replace);
  } catch (const std::system_error&) {
    ShowErrorMessage("Unable to Write :\n" + target);
    return false;
  }
  return true;
}

}  // namespace

bool SwitchToProtocol(const GameFiles& game, const std::string& protocol) {
  ScopedStatus status("switching to protocol : " + protocol);
  const std::string wanted = game.directory + kVersionedPrefix + protocol;
  // The protocol comes from a server's answer: never let it shape a path.
  if (!IsProtocolText(protocol)) {
    ShowErrorMessage("Unable to find :\n" + wanted);
    return false;
  }
  return CopyOverActive(game, game.PathOf(kVersionedPrefix + protocol), wanted);
}

bool SwitchToVersionFile(const GameFiles& game, const std::string& protocol,
                         const std::string& fileName) {
  ScopedStatus status("switching to protocol : " + protocol);
  const std::string& dir = game.directory;
  if (fileName.empty() || fileName.find_first_of(kPathSeparators) != std::string::npos ||
      fileName == "." ||
      fileName == "..") {
    ShowErrorMessage("Unable to find :\n" + dir + fileName);
    return false;
  }
  return CopyOverActive(game, dir + fileName, dir + fileName);
}

}  // namespace vyk
