#include "platform/ProfileFile.h"

#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/AsciiCase.h"
#include "platform/AtomicFile.h"
#include "platform/FileRead.h"
#include "platform/FileConventions.h"

namespace vyk {

struct ProfileLine {
  std::size_t start = 0;
  std::size_t length = 0;      // without the terminator
  std::size_t terminator = 0;  // 0, 1 ("\n") or 2 ("\r\n")
};

struct ProfileSection {
  std::size_t header = 0;   // line of "[name]"
  std::size_t lastKey = 0;  // last key line of the block (header when none)
  std::unordered_map<std::string, std::size_t> keys;  // lower-case key -> first line
};

// The file's bytes, split into lines, with an index of the first block of each
// section and the first line of each key in it: later duplicates are kept in
// the bytes but never read, as the classic profile calls do.
struct ProfileDocument {
  std::string bytes;
  std::vector<ProfileLine> lines;
  std::unordered_map<std::string, ProfileSection> sections;  // lower-case name
  std::string eol{kLineEnd};  // a new file gets the system's own

  std::string_view Content(std::size_t i) const {
    return std::string_view(bytes).substr(lines[i].start, lines[i].length);
  }
};

namespace {

using Line = ProfileLine;
using Section = ProfileSection;

// ---- Text helpers ---------------------------------------------------------

std::string_view TrimBlanks(std::string_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
  while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
  return text.substr(first, last - first);
}

// ---- Parsed file ----------------------------------------------------------

using Document = ProfileDocument;

std::shared_ptr<Document> Parse(std::string bytes) {
  auto doc = std::make_shared<Document>();
  doc->bytes = std::move(bytes);
  const std::string& b = doc->bytes;
  bool eolKnown = false;
  std::size_t pos = 0;
  while (pos < b.size()) {
    std::size_t nl = b.find('\n', pos);
    Line line;
    line.start = pos;
    if (nl == std::string::npos) {
      line.length = b.size() - pos;
      if (line.length && b[pos + line.length - 1] == '\r') --line.length;
      line.terminator = b.size() - pos - line.length;
      pos = b.size();
    } else {
      line.length = nl - pos;
      line.terminator = 1;
      if (line.length && b[nl - 1] == '\r') {
        --line.length;
        line.terminator = 2;
      }
      if (!eolKnown) {
        doc->eol = line.terminator == 2 ? "\r\n" : "\n";
        eolKnown = true;
      }
      pos = nl + 1;
    }
    doc->lines.push_back(line);
  }

  Section* current = nullptr;
  for (std::size_t i = 0; i < doc->lines.size(); ++i) {
    std::string_view text = TrimBlanks(doc->Content(i));
    if (!text.empty() && text.front() == '[') {
      // The name ends at the line's last ']', as the classic calls read it:
      // a server's IPv6 address "[::1]:27960" is a section name too.
      std::size_t close = text.rfind(']');
      if (close == 0) close = std::string_view::npos;
      std::string_view name =
          TrimBlanks(text.substr(1, close == std::string_view::npos ? close : close - 1));
      auto [it, inserted] = doc->sections.try_emplace(Lower(name), Section{i, i, {}});
      current = inserted ? &it->second : nullptr;
      continue;
    }
    if (!current) continue;  // before any section, or a repeated section
    std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = TrimBlanks(text.substr(0, eq));
    if (key.empty()) continue;
    current->keys.try_emplace(Lower(key), i);
    current->lastKey = i;
  }
  return doc;
}

std::string_view RawValue(const Document& doc, std::size_t line) {
  std::string_view text = doc.Content(line);
  return text.substr(text.find('=') + 1);
}

std::string ReadableValue(std::string_view raw) {
  raw = raw.substr(0, raw.find('\0'));  // the classic calls stop at a NUL
  raw = TrimBlanks(raw);
  if (raw.size() > ProfileFile::kMaxValueLength) raw = raw.substr(0, ProfileFile::kMaxValueLength);
  return std::string(raw);
}

const std::size_t* FindKey(const Document& doc, std::string_view section, std::string_view key) {
  auto s = doc.sections.find(Lower(TrimBlanks(section)));
  if (s == doc.sections.end()) return nullptr;
  auto k = s->second.keys.find(Lower(TrimBlanks(key)));
  return k == s->second.keys.end() ? nullptr : &k->second;
}

// ---- The file on disk -----------------------------------------------------

struct CachedFile {
  FileStamp stamp;
  std::shared_ptr<Document> doc;
};

// Guards the parsed copies and the pending changes. Each call reads or changes
// the document under it, so the profile calls are atomic with respect to each
// other whichever thread makes them; only the replacement of a file on disk
// runs without it (see PendingFile).
std::mutex g_mutex;
std::unordered_map<std::string, CachedFile> g_cache;
constexpr std::size_t kMaxCachedFiles = 32;

void Remember(const std::string& path, const FileStamp& stamp, std::shared_ptr<Document> doc) {
  if (g_cache.size() >= kMaxCachedFiles && !g_cache.count(path)) g_cache.clear();
  g_cache[path] = CachedFile{stamp, std::move(doc)};
}

// The parsed file, reusing the stored copy while the file is unchanged.
// Caller holds g_mutex.
FileReadResult Load(const std::string& path, std::shared_ptr<Document>& doc, FileStamp& stamp) {
  FileReadResult result = StampFile(path, &stamp);
  if (result != FileReadResult::kRead) {
    g_cache.erase(path);
    return result;
  }
  auto cached = g_cache.find(path);
  if (cached != g_cache.end() && cached->second.stamp == stamp) {
    doc = cached->second.doc;
    return result;
  }
  std::string bytes;
  result = ReadWholeFile(path, &bytes, &stamp);
  if (result != FileReadResult::kRead) return result;
  doc = Parse(std::move(bytes));
  Remember(path, stamp, doc);
  return result;
}

mode_t NewFileMode(const std::string& path) {
  auto slash = path.rfind('/');
  std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  // The cache holds rcon passwords.
  return EqualsNoCase(name, "cache.srv") ? 0600 : 0644;
}

bool ValidSection(std::string_view s) {
  return !s.empty() && s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool ValidKey(std::string_view k) {
  return !k.empty() && k.front() != '[' &&
         k.find_first_of(std::string_view("=\r\n\0", 4)) == std::string_view::npos;
}

// A line break inside a value would cut the file's structure.
std::string SanitizedValue(std::string_view value) {
  std::string out(value);
  for (char& c : out)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return out;
}

}  // namespace

std::optional<std::string> ProfileFile::Read(const std::string& path, std::string_view section,
                                             std::string_view key) {
  std::lock_guard lock(g_mutex);
  std::shared_ptr<Document> doc;
  FileStamp stamp;
  if (Load(path, doc, stamp) != FileReadResult::kRead) return std::nullopt;
  const std::size_t* line = FindKey(*doc, section, key);
  if (!line) return std::nullopt;
  return ReadableValue(RawValue(*doc, *line));
}

std::string ProfileFile::ReadString(const std::string& path, std::string_view section,
                                    std::string_view key, std::string_view def) {
  auto value = Read(path, section, key);
  return value ? *value : std::string(def);
}

ProfileFile::Snapshot::Snapshot(const std::string& path) {
  std::lock_guard lock(g_mutex);
  std::shared_ptr<Document> doc;
  FileStamp stamp;
  if (Load(path, doc, stamp) == FileReadResult::kRead) doc_ = std::move(doc);
}

std::string ProfileFile::Snapshot::ReadString(std::string_view section, std::string_view key,
                                              std::string_view def) const {
  const std::size_t* line = doc_ ? FindKey(*doc_, section, key) : nullptr;
  return line ? ReadableValue(RawValue(*doc_, *line)) : std::string(def);
}

namespace {

// The file's last line may end without a line feed, with nothing or with a
// lone CR; a line added after it must not join it. A lone CR becomes CR LF, so
// the line's content reads as before.
void EndLastLine(std::string& out, const std::string& eol) {
  if (out.empty() || out.back() == '\n') return;
  out += out.back() == '\r' ? std::string("\n") : eol;
}

std::string_view ValueOfLine(std::string_view line) {
  return line.substr(line.find('=') + 1);
}

// Values stored into a parsed document, as WritePrivateProfileString stores
// them one after another: a known key's line is rewritten in place, a new key
// goes after the last key of its section, a new section goes at the end. The
// document itself is never changed; Render gives the bytes with every change,
// without parsing anything again, so many changes cost one pass.
class Edits {
 public:
  explicit Edits(std::shared_ptr<const Document> base) : base_(std::move(base)) {}

  const std::shared_ptr<const Document>& Base() const { return base_; }

  // Stores one value; false when the stored value is already that. Section and
  // key are trimmed and valid.
  bool Apply(std::string_view sec, std::string_view k, std::string_view v) {
    std::string keyLine = std::string(k) + "=" + std::string(v);
    const std::string lowerSection = Lower(sec);
    std::string id = lowerSection + '\0' + Lower(k);

    if (auto a = added_.find(id); a != added_.end()) {
      std::string& line = Added(a->second);
      if (TrimBlanks(ValueOfLine(line)) == TrimBlanks(v)) return false;
      line = std::move(keyLine);
      return true;
    }
    auto s = base_->sections.find(lowerSection);
    if (s != base_->sections.end()) {
      auto found = s->second.keys.find(Lower(k));
      if (found != s->second.keys.end()) {
        auto r = replaced_.find(found->second);
        std::string_view current =
            r != replaced_.end() ? ValueOfLine(r->second) : RawValue(*base_, found->second);
        if (TrimBlanks(current) == TrimBlanks(v)) return false;
        replaced_[found->second] = std::move(keyLine);
        return true;
      }
      auto& lines = inserted_[s->second.lastKey];
      lines.push_back(std::move(keyLine));
      added_.emplace(std::move(id), Place{false, s->second.lastKey, lines.size() - 1});
      return true;
    }
    auto [it, fresh] = appendedIndex_.try_emplace(lowerSection, appended_.size());
    if (fresh) appended_.push_back(NewSection{std::string(sec), {}});
    auto& lines = appended_[it->second].lines;
    lines.push_back(std::move(keyLine));
    added_.emplace(std::move(id), Place{true, it->second, lines.size() - 1});
    return true;
  }

  std::string Render() const {
    const Document& doc = *base_;
    std::string out;
    out.reserve(doc.bytes.size() + 64 * (added_.size() + replaced_.size()));
    auto insert = inserted_.begin();
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
      const Line& line = doc.lines[i];
      auto r = replaced_.empty() ? replaced_.end() : replaced_.find(i);
      if (r != replaced_.end())
        out += r->second;
      else
        out.append(doc.bytes, line.start, line.length);
      if (line.terminator) out.append(doc.bytes, line.start + line.length, line.terminator);
      if (insert != inserted_.end() && insert->first == i) {
        EndLastLine(out, doc.eol);
        for (const std::string& added : insert->second) out.append(added).append(doc.eol);
        ++insert;
      }
    }
    for (const NewSection& section : appended_) {
      EndLastLine(out, doc.eol);
      out.append("[").append(section.header).append("]").append(doc.eol);
      for (const std::string& added : section.lines) out.append(added).append(doc.eol);
    }
    return out;
  }

 private:
  struct Place {
    bool appended;      // in a new section, or after a line of the document
    std::size_t where;  // index of the new section, or the line
    std::size_t index;  // in that list
  };
  struct NewSection {
    std::string header;
    std::vector<std::string> lines;
  };
  std::string& Added(const Place& place) {
    return place.appended ? appended_[place.where].lines[place.index]
                          : inserted_[place.where][place.index];
  }

  std::shared_ptr<const Document> base_;
  std::unordered_map<std::size_t, std::string> replaced_;     // line -> new text
  std::map<std::size_t, std::vector<std::string>> inserted_;  // after line -> new lines
  std::vector<NewSection> appended_;
  std::unordered_map<std::string, std::size_t> appendedIndex_;  // lower-case section
  std::unordered_map<std::string, Place> added_;                // lower-case section '\0' key
};

// A file's changes on their way to the disk. A writer stores its values into
// `edits` under g_mutex, then one writer at a time replaces the file with what
// has been stored so far, while the others wait: every value stored during a
// replacement (and its fsync) goes out with the next one, so many threads
// storing values at once cost a few replacements instead of one each.
struct PendingFile {
  std::unique_ptr<Edits> edits;                 // null when the disk holds every stored value
  std::vector<ProfileFile::Entry> sinceRender;  // stored after the last render
  mode_t mode = 0644;
  std::uint64_t applied = 0;  // generation of the newest stored change
  std::uint64_t written = 0;  // newest generation whose replacement has ended
  bool writing = false;
  int waiting = 0;  // calls between storing their values and returning
  // Generations (from, to] of the replacements that failed while calls were
  // waiting; forgotten when none is.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> failed;

  bool Failed(std::uint64_t generation) const {
    for (const auto& [from, to] : failed)
      if (generation > from && generation <= to) return true;
    return false;
  }
};
std::unordered_map<std::string, PendingFile> g_pending;
std::condition_variable g_written;

// Starts the file's edits from what the disk holds. False when the file could
// not be read: it is never replaced then. Caller holds g_mutex.
bool StartEdits(PendingFile& pending, const std::string& target) {
  std::shared_ptr<Document> doc;
  FileStamp stamp;
  mode_t mode = NewFileMode(target);
  switch (Load(target, doc, stamp)) {
    case FileReadResult::kFailed:
      return false;
    case FileReadResult::kMissing:
      doc = Parse({});
      break;
    case FileReadResult::kRead:
      mode = static_cast<mode_t>(stamp.mode);
      break;
  }
  pending.edits = std::make_unique<Edits>(std::move(doc));
  pending.mode = mode;
  return true;
}

// Stores the entries into the file's edits, in order; whether a stored value
// changed. A refused entry clears `allValid`. Caller holds g_mutex.
bool ApplyEntries(PendingFile& pending, const std::vector<ProfileFile::Entry>& entries,
                  bool& allValid) {
  bool changed = false;
  for (const ProfileFile::Entry& entry : entries) {
    std::string_view sec = TrimBlanks(entry.section);
    std::string_view k = TrimBlanks(entry.key);
    if (!ValidSection(sec) || !ValidKey(k)) {
      allValid = false;
      continue;
    }
    std::string value = SanitizedValue(entry.value);
    if (pending.edits->Apply(sec, k, value)) {
      pending.sinceRender.push_back({std::string(sec), std::string(k), std::move(value)});
      changed = true;
    }
  }
  return changed;
}

// One replacement of the file with every value stored so far, for everyone
// waiting. `lock` holds g_mutex, and is let go while the file is written.
void ReplaceFile(std::unique_lock<std::mutex>& lock, PendingFile& pending,
                 const std::string& target, const std::string& path) {
  pending.writing = true;
  std::string bytes = pending.edits->Render();
  std::vector<ProfileFile::Entry> rendered;
  rendered.swap(pending.sinceRender);
  const mode_t mode = pending.mode;
  const std::uint64_t generation = pending.applied;
  const std::uint64_t previous = pending.written;
  lock.unlock();
  const bool ok = WriteFileAtomically(target, bytes, mode);
  FileStamp stamp;
  const bool stamped = ok && StampFile(target, &stamp) == FileReadResult::kRead;
  std::shared_ptr<Document> doc = ok ? Parse(std::move(bytes)) : nullptr;
  lock.lock();
  pending.writing = false;
  if (ok) {
    pending.written = generation;
    if (pending.applied == generation) {
      pending.edits.reset();
    } else {
      // Values stored during the replacement go on from what is now on disk.
      auto next = std::make_unique<Edits>(doc);
      for (const ProfileFile::Entry& e : pending.sinceRender)
        next->Apply(e.section, e.key, e.value);
      pending.edits = std::move(next);
    }
  } else {
    // Values stored on top of the lost ones are lost with them; later
    // writers start again from what the disk holds.
    pending.edits.reset();
    pending.sinceRender.clear();
    pending.written = pending.applied;
    pending.failed.emplace_back(previous, pending.applied);
  }
  if (stamped)
    Remember(target, stamp, doc);
  else
    g_cache.erase(target);
  if (target != path) g_cache.erase(path);
  g_written.notify_all();
}

// Stores the values in order, as that many single writes would, with one
// replacement of the file. False when an entry was refused (the others are
// stored) or the file could not be written (nothing is).
bool StoreValues(const std::string& path, const std::vector<ProfileFile::Entry>& entries) {
  if (path.empty() || path.back() == '/') return false;
  const std::string target = ResolvedForWriting(path);

  std::unique_lock lock(g_mutex);
  PendingFile& pending = g_pending[target];
  const bool onItsWay = pending.edits != nullptr;
  if (!onItsWay && !StartEdits(pending, target)) return false;

  bool allValid = true;
  if (ApplyEntries(pending, entries, allValid)) {
    ++pending.applied;
  } else if (!onItsWay) {
    pending.edits.reset();  // nothing to write, and nothing was on its way
    return allValid;
  }
  // Unchanged against values still on their way: wait for them like their writers.
  const std::uint64_t mine = pending.applied;

  ++pending.waiting;
  while (pending.written < mine) {
    if (pending.writing) {
      g_written.wait(lock);
      continue;
    }
    // This thread writes for everyone waiting.
    ReplaceFile(lock, pending, target, path);
  }
  const bool stored = !pending.Failed(mine);
  if (--pending.waiting == 0) pending.failed.clear();
  return stored && allValid;
}

}  // namespace

bool ProfileFile::Write(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  return StoreValues(path, {Entry{std::string(section), std::string(key), std::string(value)}});
}

bool ProfileFile::WriteAll(const std::string& path, const std::vector<Entry>& entries) {
  return StoreValues(path, entries);
}

void ProfileFile::DropCache() {
  std::lock_guard lock(g_mutex);
  g_cache.clear();
  for (auto it = g_pending.begin(); it != g_pending.end();)
    it = it->second.edits || it->second.writing || it->second.waiting ? std::next(it)
                                                                      : g_pending.erase(it);
}

}  // namespace vyk
