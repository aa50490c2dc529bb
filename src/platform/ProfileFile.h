#pragma once
// Reader and writer of profile files ("[section]" and "key=value" lines), the
// format of Config.ini and cache.srv.
//
// Rules kept from the classic profile calls:
//  - sections and keys match without regard to letter case;
//  - a value read is at most kMaxValueLength characters;
//  - blanks around a value are dropped when it is read.
// Every call holds one process-wide lock for its whole length. A write goes
// through a temporary file and a rename, so a file is never half written.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyk {

struct ProfileDocument;

class ProfileFile {
 public:
  static constexpr std::size_t kMaxValueLength = 259;

  // The stored value, or nothing when the file, section or key is absent.
  static std::optional<std::string> Read(const std::string& path, std::string_view section,
                                         std::string_view key);
  // The stored value, or `def` when absent (GetPrivateProfileString).
  static std::string ReadString(const std::string& path, std::string_view section,
                                std::string_view key, std::string_view def);
  // Stores the value (WritePrivateProfileString). False when the file could
  // not be written; the program's callers go on regardless.
  static bool Write(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);
  struct Entry {
    std::string section;
    std::string key;
    std::string value;
  };
  // Stores the values in order, leaving the file as that many calls of Write
  // would, but replacing it once: a crash leaves all of them or none. False
  // when an entry's section or key was refused (the others are stored) or the
  // file could not be written (none are).
  static bool WriteAll(const std::string& path, const std::vector<Entry>& entries);
  // Forget every parsed copy (tests and benchmarks).
  static void DropCache();

  // One parsed look at a file for many reads in a row, under the same rules
  // as ReadString: a long run of reads pays for one look at the file instead
  // of one each. Writes made after it was taken are not seen.
  class Snapshot {
   public:
    explicit Snapshot(const std::string& path);
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;

   private:
    std::shared_ptr<const ProfileDocument> doc_;
  };
};

}  // namespace vyk
