// A profile file (Config.ini, cache.srv) of any content: every section and key
// it seems to hold is read, one value is written, and then the written value
// must read back as stored and every other value must read as before, both
// from the parsed copy the write keeps and from the file itself.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "core/Text.h"
#include "platform/ProfileFile.h"

namespace {

using vyk::Lower;
using vyk::ProfileFile;

struct Entry {
  std::string section;
  std::string key;
};

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  return Lower(TrimBlanks(a)) == Lower(TrimBlanks(b));
}

// Names the file seems to hold. A rough scan is enough: a name that is not
// there reads as absent before and after the write alike.
std::vector<Entry> Candidates(std::string_view file) {
  std::vector<Entry> found;
  std::string section;
  while (!file.empty() && found.size() < 32) {
    const std::size_t end = std::min(file.find('\n'), file.size());
    std::string_view line = file.substr(0, end);
    file.remove_prefix(std::min(end + 1, file.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = TrimBlanks(line);
    if (!line.empty() && line.front() == '[') {
      const std::size_t close = line.find(']');
      section = std::string(TrimBlanks(
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq != std::string_view::npos && eq > 0)
      found.push_back({section, std::string(TrimBlanks(line.substr(0, eq)))});
  }
  return found;
}

std::uint64_t Hash(std::string_view bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

bool ValidName(std::string_view name, std::string_view forbidden, bool noBracket) {
  name = TrimBlanks(name);
  return !name.empty() && name.find_first_of(forbidden) == std::string_view::npos &&
         !(noBracket && name.front() == '[');
}

// How a stored value reads back: line breaks and zero bytes become blanks,
// blanks at either end go, and the read is cut to the longest value.
std::string ReadBackOf(std::string_view value) {
  std::string stored(value);
  for (char& c : stored)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return std::string(TrimBlanks(stored).substr(0, ProfileFile::kMaxValueLength));
}

std::vector<std::optional<std::string>> ReadAll(const std::string& path,
                                                const std::vector<Entry>& entries) {
  std::vector<std::optional<std::string>> values;
  for (const Entry& e : entries) values.push_back(ProfileFile::Read(path, e.section, e.key));
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vyk::fuzz::FuzzHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = vyk::fuzz::Bytes(data, size);
  const std::string path = vyk::fuzz::FuzzHome() + "Config.ini";
  vyk::fuzz::WriteWholeFile(path, input);
  // The file was rewritten in place within the same clock tick: forget the
  // copy of the last run, whose size and times may well match.
  ProfileFile::DropCache();

  std::vector<Entry> entries = Candidates(input);
  const std::uint64_t h = Hash(input);

  // What to write, chosen by the content: an existing key, a new key in an
  // existing section, a new section, names of any bytes, the same names in
  // another letter case.
  Entry target{"Fuzz Section", "Name"};
  const std::size_t firstLine = std::min(input.find('\n'), input.size());
  switch (h % 6) {
    case 0:
      if (!entries.empty()) target = entries[(h / 6) % entries.size()];
      break;
    case 1:
      if (!entries.empty()) target = {entries[(h / 6) % entries.size()].section, "FuzzKey"};
      break;
    case 2:
      break;
    case 3: {
      const std::string_view line = input.substr(0, firstLine);
      const std::size_t eq = std::min(line.find('='), line.size());
      target = {std::string(line.substr(0, eq)),
                std::string(line.substr(std::min(eq + 1, line.size())))};
      break;
    }
    case 4:
      if (!entries.empty()) {
        const Entry& e = entries[(h / 6) % entries.size()];
        target = {Upper(e.section) + " ", "\t" + Lower(e.key)};
      }
      break;
    default:
      target = {"info", "LastAlias"};
      break;
  }
  std::string value;
  switch ((h >> 16) % 5) {
    case 0:
      break;
    case 1:
      value = "  ^1Vyk^7 Player\t";
      break;
    case 2:
      value = std::string(300, 'v') + "end";
      break;
    case 3:
      value = std::string(input.substr(input.size() - std::min<std::size_t>(input.size(), 80)));
      break;
    default:
      value.assign("a=b [c]\r\nd\0e\0", 13);
      break;
  }
  entries.push_back(target);

  const std::vector<std::optional<std::string>> before = ReadAll(path, entries);
  const bool valid = ValidName(target.section, std::string_view("\r\n\0", 3), false) &&
                     ValidName(target.key, std::string_view("=\r\n\0", 4), true);
  const bool written = ProfileFile::Write(path, target.section, target.key, value);
  FUZZ_CHECK(written == valid);
  if (!written) {
    FUZZ_CHECK(vyk::fuzz::ReadWholeFile(path) == input);
    return 0;
  }

  const std::vector<std::optional<std::string>> after = ReadAll(path, entries);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    if (SameName(e.section, target.section) && SameName(e.key, target.key))
      FUZZ_CHECK(after[i] == ReadBackOf(value));
    else
      FUZZ_CHECK(after[i] == before[i]);
  }

  // The parsed copy kept by the write reads as the file itself does.
  const std::string bytes = vyk::fuzz::ReadWholeFile(path);
  ProfileFile::DropCache();
  FUZZ_CHECK(ReadAll(path, entries) == after);

  // Writing the value again changes nothing.
  FUZZ_CHECK(ProfileFile::Write(path, target.section, target.key, value));
  FUZZ_CHECK(vyk::fuzz::ReadWholeFile(path) == bytes);
  return 0;
}
