#include "platform/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace vyk {
namespace {

// ---- Text helpers ---------------------------------------------------------

std::string_view TrimBlanks(std::string_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
  while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
  return text.substr(first, last - first);
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// ---- Parsed file ----------------------------------------------------------

struct Section {
  std::size_t header = 0;   // line of "[name]"
  std::size_t lastKey = 0;  // last key line of the block (header when none)
  std::unordered_map<std::string, std::size_t> keys;  // lower-case key -> first line
};

struct Line {
  std::size_t start = 0;
  std::size_t length = 0;      // without the terminator
  std::size_t terminator = 0;  // 0, 1 ("\n") or 2 ("\r\n")
};

// The file's bytes, split into lines, with an index of the first block of each
// section and the first line of each key in it: later duplicates are kept in
// the bytes but never read, as the classic profile calls do.
struct Document {
  std::string bytes;
  std::vector<Line> lines;
  std::unordered_map<std::string, Section> sections;  // lower-case name
  std::string eol = "\n";

  std::string_view Content(std::size_t i) const {
    return std::string_view(bytes).substr(lines[i].start, lines[i].length);
  }
};

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
      std::size_t close = text.find(']');
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

struct Stamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};

  static Stamp Of(const struct stat& st) {
    return Stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
  }
  bool operator==(const Stamp& o) const {
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

struct CachedFile {
  Stamp stamp;
  std::shared_ptr<Document> doc;
};

// Held for the whole of every call: the profile calls are atomic with respect
// to each other, whichever thread makes them.
std::mutex g_mutex;
std::unordered_map<std::string, CachedFile> g_cache;
constexpr std::size_t kMaxCachedFiles = 32;

void Remember(const std::string& path, const Stamp& stamp, std::shared_ptr<Document> doc) {
  if (g_cache.size() >= kMaxCachedFiles && !g_cache.count(path)) g_cache.clear();
  g_cache[path] = CachedFile{stamp, std::move(doc)};
}

bool ReadAll(int fd, std::string& out) {
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

enum class LoadResult { kLoaded, kMissing, kFailed };

// The parsed file, reusing the stored copy while the file is unchanged.
// Caller holds g_mutex.
LoadResult Load(const std::string& path, std::shared_ptr<Document>& doc, struct stat& st) {
  if (::stat(path.c_str(), &st) != 0) {
    g_cache.erase(path);
    return errno == ENOENT ? LoadResult::kMissing : LoadResult::kFailed;
  }
  if (!S_ISREG(st.st_mode)) return LoadResult::kFailed;
  auto cached = g_cache.find(path);
  if (cached != g_cache.end() && cached->second.stamp == Stamp::Of(st)) {
    doc = cached->second.doc;
    return LoadResult::kLoaded;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? LoadResult::kMissing : LoadResult::kFailed;
  std::string bytes;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAll(fd, bytes);
  ::close(fd);
  if (!ok) return LoadResult::kFailed;
  doc = Parse(std::move(bytes));
  Remember(path, Stamp::Of(st), doc);
  return LoadResult::kLoaded;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes a temporary file beside the target and renames it over the target:
// whatever happens, the file holds either the old or the new content.
bool ReplaceFile(const std::string& path, const std::string& bytes, mode_t mode) {
  std::string temp = path + ".tmpXXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  // The directory is not synced: a power cut may undo the rename, which still
  // leaves the old content whole.
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

mode_t NewFileMode(const std::string& path) {
  auto slash = path.rfind('/');
  std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  // The cache holds rcon passwords.
  return EqualsNoCase(name, "cache.srv") ? 0600 : 0644;
}

// Writing through a symbolic link changes the file it points to.
std::string WriteTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) return resolved;
  }
  return path;
}

bool ValidSection(std::string_view s) {
  return !s.empty() && s.find_first_of(std::string_view("]\r\n\0", 4)) == std::string_view::npos;
}

bool ValidKey(std::string_view k) {
  return !k.empty() && k.front() != '[' &&
         k.find_first_of(std::string_view("=\r\n\0", 4)) == std::string_view::npos;
}

// The file's last line may end without a line feed, with nothing or with a
// lone CR; a line added after it must not join it. A lone CR becomes CR LF,
// so the line's content reads as before.
void EndLastLine(std::string& out, const std::string& eol) {
  if (out.empty() || out.back() == '\n') return;
  out += out.back() == '\r' ? std::string("\n") : eol;
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
  struct stat st;
  if (Load(path, doc, st) != LoadResult::kLoaded) return std::nullopt;
  const std::size_t* line = FindKey(*doc, section, key);
  if (!line) return std::nullopt;
  return ReadableValue(RawValue(*doc, *line));
}

std::string ProfileFile::ReadString(const std::string& path, std::string_view section,
                                    std::string_view key, std::string_view def) {
  auto value = Read(path, section, key);
  return value ? *value : std::string(def);
}

bool ProfileFile::Write(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  std::string_view sec = TrimBlanks(section);
  std::string_view k = TrimBlanks(key);
  if (!ValidSection(sec) || !ValidKey(k)) return false;
  if (path.empty() || path.back() == '/') return false;
  const std::string v = SanitizedValue(value);
  const std::string target = WriteTarget(path);

  std::lock_guard lock(g_mutex);
  std::shared_ptr<Document> doc;
  struct stat st;
  mode_t mode = NewFileMode(target);
  switch (Load(target, doc, st)) {
    case LoadResult::kFailed:
      return false;  // never replace a file we could not read
    case LoadResult::kMissing:
      doc = Parse({});
      break;
    case LoadResult::kLoaded:
      mode = st.st_mode & 07777;
      break;
  }

  const std::string keyLine = std::string(k) + "=" + v;
  std::size_t replace = SIZE_MAX, insertAfter = SIZE_MAX;
  auto s = doc->sections.find(Lower(sec));
  if (s != doc->sections.end()) {
    auto found = s->second.keys.find(Lower(k));
    if (found != s->second.keys.end()) {
      if (TrimBlanks(RawValue(*doc, found->second)) == TrimBlanks(v)) return true;
      replace = found->second;
    } else {
      insertAfter = s->second.lastKey;
    }
  }

  std::string out;
  out.reserve(doc->bytes.size() + keyLine.size() + sec.size() + 8);
  for (std::size_t i = 0; i < doc->lines.size(); ++i) {
    const Line& line = doc->lines[i];
    if (i == replace)
      out += keyLine;
    else
      out.append(doc->bytes, line.start, line.length);
    if (line.terminator) out.append(doc->bytes, line.start + line.length, line.terminator);
    if (i == insertAfter) {
      EndLastLine(out, doc->eol);
      out += keyLine;
      out += doc->eol;
    }
  }
  if (s == doc->sections.end()) {
    EndLastLine(out, doc->eol);
    out += "[";
    out += sec;
    out += "]";
    out += doc->eol;
    out += keyLine;
    out += doc->eol;
  }

  if (!ReplaceFile(target, out, mode)) return false;
  if (::stat(target.c_str(), &st) == 0)
    Remember(target, Stamp::Of(st), Parse(std::move(out)));
  else
    g_cache.erase(target);
  if (target != path) g_cache.erase(path);
  return true;
}

void ProfileFile::DropCache() {
  std::lock_guard lock(g_mutex);
  g_cache.clear();
}

}  // namespace vyk
