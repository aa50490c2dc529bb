#include "launch/ProtocolSwitch.h"

#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>
#include <vector>

#include "core/Outcome.h"
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

// Deletes the active executable, whatever it is (a dangling link too).
Outcome RemoveTarget(const std::string& target) {
  try {
    if (fs::exists(fs::symlink_status(target))) fs::remove(target);
  } catch (const fs::filesystem_error&) {
    return Outcome::Failure("Unable to remove :\n" + target);
  }
  return {};
}

// The whole source with its permissions, read through `in`.
struct SourceCopy {
  std::vector<char> bytes;
  fs::perms mode{};
};

Outcome ReadSource(std::ifstream& in, const std::string& source, SourceCopy& copy) {
  try {
    copy.mode = fs::status(source).permissions();
    copy.bytes.resize(static_cast<std::size_t>(fs::file_size(source)));
    in.read(copy.bytes.data(), static_cast<std::streamsize>(copy.bytes.size()));
  } catch (const std::system_error&) {  // filesystem_error and ios::failure
    return Outcome::Failure("Unable to Read :\n" + source);
  } catch (const std::bad_alloc&) {
    return Outcome::Failure("Unable to Read :\n" + source);
  }
  return {};
}

Outcome WriteTarget(std::ofstream& out, const std::string& target, const SourceCopy& copy) {
  try {
    out.write(copy.bytes.data(), static_cast<std::streamsize>(copy.bytes.size()));
    out.close();
    fs::permissions(target, copy.mode, fs::perm_options::replace);
  } catch (const std::system_error&) {
    return Outcome::Failure("Unable to Write :\n" + target);
  }
  return {};
}

// Copies `source` over the active executable of the game directory; `wanted`
// names the source in the message when it is missing. The target is created
// before the source is opened, and stays so when that fails.
Outcome CopyOverActive(const GameFiles& game, const std::string& source,
                       const std::string& wanted) {
  std::error_code ec;
  if (!fs::exists(source, ec)) return Outcome::Failure("Unable to find :\n" + wanted);
  const std::string target = game.PathOf(kActiveExecutable);

  // Already the same file (a link): it is a complete copy of itself, and
  // deleting the target would lose the source.
  if (fs::equivalent(source, target, ec)) return {};
  if (Outcome removed = RemoveTarget(target); !removed) return removed;

  std::ofstream out;
  out.exceptions(std::ios::failbit | std::ios::badbit);
  try {
    out.open(target, std::ios::binary | std::ios::trunc);
  } catch (const std::ios::failure&) {
    return Outcome::Failure("Unable to Create or open  :\n" + target);
  }
  std::ifstream in;
  in.exceptions(std::ios::failbit | std::ios::badbit);
  try {
    in.open(source, std::ios::binary);
  } catch (const std::ios::failure&) {
    return Outcome::Failure("Unable to Open  :\n" + source);
  }

  SourceCopy copy;
  if (Outcome read = ReadSource(in, source, copy); !read) return read;
  return WriteTarget(out, target, copy);
}

std::string SwitchingText(const std::string& protocol) {
  return "switching to protocol : " + protocol;
}

}  // namespace

Outcome SwitchToProtocol(const GameFiles& game, const std::string& protocol) {
  ScopedStatus status(SwitchingText(protocol));
  const std::string wanted = game.directory + kVersionedPrefix + protocol;
  // The protocol comes from a server's answer: never let it shape a path.
  if (!IsProtocolText(protocol))
    return Outcome::Failure("Unable to find :\n" + wanted).KeepingStatus(status);
  return CopyOverActive(game, game.PathOf(kVersionedPrefix + protocol), wanted)
      .KeepingStatus(status);
}

Outcome SwitchToVersionFile(const GameFiles& game, const std::string& protocol,
                            const std::string& fileName) {
  ScopedStatus status(SwitchingText(protocol));
  const std::string& dir = game.directory;
  if (fileName.empty() || fileName.find_first_of(kPathSeparators) != std::string::npos ||
      fileName == "." || fileName == "..") {
    return Outcome::Failure("Unable to find :\n" + dir + fileName).KeepingStatus(status);
  }
  return CopyOverActive(game, dir + fileName, dir + fileName).KeepingStatus(status);
}

}  // namespace vyk
