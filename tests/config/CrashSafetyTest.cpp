// Writers killed with SIGKILL at random moments. After every kill each file
// the program keeps must hold exactly one whole write: the one before the
// interrupted write, or the one it was making. Nothing truncated, empty or
// mixed, and what the program's own readers load must match. Temporary files
// of dead writers may be left, but the next write must clear them.
//
// A forked child writes successive versions 1, 2, 3, ... of a file (version k
// is a fixed function of k) and records in shared memory which version it is
// writing and which it has finished; the test kills it after a random delay.
//
// Each file gets 200 kills over an existing file and 40 during its first
// write; fewer (at least 60 and 20) when they take more than 7 s and 2 s, as
// on a machine slowed down by other work, so that the six files take well
// under a minute. VYK_CRASH_KILLS=n asks for exactly n kills of each file
// and VYK_CRASH_FIRST_KILLS=n for n during the first write; VYK_CRASH_SEED=n
// repeats a run's delays (the child's pace still varies).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "TestHome.h"
#include "config/AliasList.h"
#include "config/BuddyList.h"
#include "config/ConfigFile.h"
#include "config/OptionsModel.h"
#include "config/PropertyRows.h"
#include "config/ServerListFile.h"
#include "config/SettingsTable.h"
#include "core/ServerCache.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramDirectory.h"

namespace vyk {
namespace {

using Clock = std::chrono::steady_clock;

// ---- What the test shares with its writer child -----------------------------

struct Progress {
  std::atomic<int> started{0};             // version being written (equal to done between writes)
  std::atomic<int> done{0};                // last version whose write returned
  std::atomic<std::int64_t> writingNs{0};  // time spent in the writes that returned
};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<std::int64_t>::is_always_lock_free);

class SharedProgress {
 public:
  SharedProgress() {
    void* memory = ::mmap(nullptr, sizeof(Progress), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    progress_ = new (memory) Progress;
  }
  ~SharedProgress() { ::munmap(progress_, sizeof(Progress)); }
  SharedProgress(const SharedProgress&) = delete;
  SharedProgress& operator=(const SharedProgress&) = delete;

  Progress* operator->() const { return progress_; }
  Progress* get() const { return progress_; }

 private:
  Progress* progress_;
};

// ---- Files ------------------------------------------------------------------

std::optional<std::string> Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Files beside the target whose names start with "<name>.tmp".
int CountTemporaries(const std::string& target) {
  const std::filesystem::path path(target);
  const std::string prefix = path.filename().string() + ".tmp";
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
    if (entry.path().filename().string().rfind(prefix, 0) == 0) ++count;
  return count;
}

std::string Mismatch(const std::optional<std::string>& bytes, const std::string& before,
                     const std::string& after) {
  std::ostringstream out;
  if (!bytes) return "the file is gone";
  out << "the file has " << bytes->size() << " bytes; the version before has " << before.size()
      << ", the version after " << after.size();
  std::size_t same = 0;
  while (same < bytes->size() && same < before.size() && (*bytes)[same] == before[same]) ++same;
  out << "; first difference from the version before at byte " << same;
  return out.str();
}

// Every setting by its key, to compare two settings in one go.
std::string Describe(const Settings& s) {
  std::ostringstream out;
  for (const SettingDesc& d : SettingsTable())
    std::visit([&](auto member) { out << d.key << "=" << s.*member << " "; }, d.field);
  return out.str();
}

// LoadSettings gives the expected settings and leaves the file at path as bytes: it
// writes back what it finds missing, so it must have found nothing missing.
void ExpectSettingsLoaded(const Settings& expected, const std::string& path,
                          const std::string& bytes) {
  Settings loaded;
  LoadSettings(loaded);
  EXPECT_EQ(Describe(loaded), Describe(expected));
  EXPECT_EQ(Slurp(path), bytes) << "LoadSettings changed the file";
}

// ---- One kind of file ---------------------------------------------------------

class FileKind {
 public:
  virtual ~FileKind() = default;
  virtual std::string Name() const = 0;
  // The file whose bytes are checked.
  virtual std::string MainPath() const = 0;
  // Every file a write replaces; their temporary files are counted.
  virtual std::vector<std::string> Targets() const { return {MainPath()}; }

  // Puts version 0 on disk.
  virtual void PrepareStart() = 0;
  // In the child: the write that turns version k-1 into version k.
  virtual bool Write(int k) = 0;
  virtual std::string Bytes(int k) const = 0;
  // Loads with the program's readers and checks the result is version
  // `matched`; `done` and `started` bound the versions of any other file.
  virtual void ExpectLoaded(int matched, int done, int started) = 0;

  // The first write ever: no file before it.
  virtual void RemoveFiles() {
    for (const std::string& target : Targets()) std::filesystem::remove(target);
  }
  virtual bool WriteFirst() { return Write(1); }
  virtual std::string FirstBytes() const { return Bytes(1); }
  virtual void ExpectFirstLoaded(bool present) = 0;
};

// Config.ini: one setting changes at each step, through the program's own
// setting writer, and LoadSettings must then see every value of one version.
class ConfigIniKind : public FileKind {
 public:
  // Every key of the settings table, each section's keys together.
  ConfigIniKind() {
    for (std::string_view section : {"info", "quake3", "Filter"})
      for (const SettingDesc& d : SettingsTable())
        if (d.section == section) keys_.push_back(&d);
  }

  std::string Name() const override { return "Config.ini"; }
  std::string MainPath() const override { return ConfigFilePath(); }

  void PrepareStart() override { test::WriteFile(MainPath(), Bytes(0)); }

  bool Write(int k) override {
    const std::size_t i = KeyOfStep(k);
    WriteProfileString(keys_[i]->section, keys_[i]->key, Value(i, k));
    return true;  // the setting writer reports nothing; the bytes tell
  }

  // Every key in table order, each section once, then the user's other
  // sections, which make the file big enough that a write takes a while.
  std::string Bytes(int k) const override {
    std::string out;
    const char* section = "";
    for (std::size_t i = 0; i < keys_.size(); ++i) {
      if (std::string_view(section) != keys_[i]->section) {
        section = keys_[i]->section;
        out += "[" + std::string(section) + "]\n";
      }
      out += keys_[i]->key + ("=" + ValueAt(i, k)) + "\n";
    }
    out += "[DEBUG]\nLastrun=quake3 +connect 127.0.0.1:27960\n";
    out += "[Bookmarks]\n";
    for (int n = 0; n < 1500; ++n)
      out += "mark" + std::to_string(n) + "=127.0.0.1:" + std::to_string(27960 + n) +
             " a note about this server\n";
    return out;
  }

  void ExpectLoaded(int matched, int, int) override {
    ExpectSettingsLoaded(Expected(matched), MainPath(), Bytes(matched));
  }

  bool WriteFirst() override {
    WriteProfileString("info", "bgColor", "(1,2,3)");
    return true;
  }
  std::string FirstBytes() const override { return "[info]\nbgColor=(1,2,3)\n"; }
  void ExpectFirstLoaded(bool present) override {
    EXPECT_EQ(ReadRawProfileString("info", "bgColor"), present ? "(1,2,3)" : "");
  }

 private:
  std::size_t KeyOfStep(int k) const { return static_cast<std::size_t>(k - 1) % keys_.size(); }

  // The value step k gives key i; step 0 is the value of version 0. Two
  // writes of the same key never give the same value.
  std::string Value(std::size_t i, int k) const {
    const int n = static_cast<int>(i);
    return std::visit(
        [&](auto member) -> std::string {
          using Value = std::remove_cvref_t<decltype(Settings().*member)>;
          if constexpr (std::is_same_v<Value, Color>)
            return "(" + std::to_string((k * 7 + n) % 256) + "," + std::to_string((k * 13) % 256) +
                   "," + std::to_string((k * 3 + n * 5) % 256) + ")";
          else if constexpr (std::is_same_v<Value, std::string>)
            return std::string(keys_[i]->key) + " value " + std::to_string(k);
          else if constexpr (std::is_same_v<Value, std::uint16_t>)
            return std::to_string((k * 53 + n) % 60000 + 1);
          else
            return std::to_string((k * 53 + n) % 30000 + 1);
        },
        keys_[i]->field);
  }

  // The value of key i in version k: that of the last step at most k that
  // wrote it.
  std::string ValueAt(std::size_t i, int k) const {
    const int n = static_cast<int>(keys_.size());
    const int index = static_cast<int>(i);
    if (k - 1 < index) return Value(i, 0);
    return Value(i, k - ((k - 1 - index) % n));
  }

  Settings Expected(int k) const {
    Settings s;
    for (std::size_t i = 0; i < keys_.size(); ++i) {
      const std::string v = ValueAt(i, k);
      std::visit(
          [&](auto member) {
            using Value = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<Value, Color>) {
              int r = 0, g = 0, b = 0;
              std::sscanf(v.c_str(), "(%d,%d,%d)", &r, &g, &b);
              s.*member = MakeColor(r, g, b);
            } else if constexpr (std::is_same_v<Value, std::string>) {
              s.*member = v;
            } else {
              s.*member = static_cast<Value>(std::stoi(v));
            }
          },
          keys_[i]->field);
    }
    return s;
  }

  std::vector<const SettingDesc*> keys_;
};

// The Options dialog's OK: every option row written at once. Version k sets
// every option from k; loading must then give every option of one version.
class OptionsOkKind : public FileKind {
 public:
  std::string Name() const override { return "Config.ini by Options OK"; }
  std::string MainPath() const override { return ConfigFilePath(); }

  // Version 0 is what the program writes on its first start: every default.
  void PrepareStart() override {
    std::filesystem::remove(MainPath());
    base_ = Settings{};
    LoadSettings(base_);
    start_ = Slurp(MainPath()).value_or("");
    // The first OK of all, written one row at a time into another file.
    const std::string reference = ProgramDirectory() + "reference.ini";
    std::filesystem::remove(reference);
    WriteOptionRows(RowsOf(1),
                    [&](const std::string& s, const std::string& k, const std::string& v) {
                      ProfileFile::Write(reference, s, k, v);
                    });
    firstBytes_ = Slurp(reference).value_or("");
    std::filesystem::remove(reference);
  }

  bool Write(int k) override {
    WriteOptionRows(RowsOf(k));
    return true;
  }

  // Every key OK writes is in version 0 already, so each write replaces its
  // line, with the key as OK spells it.
  std::string Bytes(int k) const override {
    if (k == 0) return start_;
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < start_.size()) {
      const std::size_t end = start_.find('\n', pos);
      lines.push_back(start_.substr(pos, end - pos));
      pos = end + 1;
    }
    WriteOptionRows(RowsOf(k), [&](const std::string& section, const std::string& key,
                                   const std::string& value) {
      bool inSection = false;
      for (std::string& line : lines) {
        if (!line.empty() && line.front() == '[') {
          inSection = Lower(line) == "[" + Lower(section) + "]";
        } else if (inSection && Lower(line.substr(0, line.find('='))) == Lower(key)) {
          line = key + "=" + value;
          return;
        }
      }
      ADD_FAILURE() << "no line of " << section << "/" << key << " in version 0";
    });
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
  }

  void ExpectLoaded(int matched, int, int) override {
    ExpectSettingsLoaded(SettingsOf(matched), MainPath(), Bytes(matched));
  }

  void RemoveFiles() override { std::filesystem::remove(MainPath()); }
  bool WriteFirst() override { return Write(1); }
  std::string FirstBytes() const override { return firstBytes_; }
  void ExpectFirstLoaded(bool present) override {
    const Settings expected = SettingsOf(1);
    EXPECT_EQ(ReadRawProfileString("quake3", "path"), present ? expected.gamePath : "");
    EXPECT_EQ(ReadRawProfileString("Filter", "BadPing"),
              present ? std::to_string(expected.badPing) : "");
  }

 private:
  static std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }

  // Flags alternate and every other value names its version, so each OK
  // changes every line it writes.
  Settings SettingsOf(int k) const {
    Settings s = base_;
    if (k == 0) return s;
    bool Settings::*const flags[] = {
        &Settings::hideTimeOut,     &Settings::hideFull,      &Settings::hideEmpty,
        &Settings::onlyBuddy,       &Settings::localOnly,     &Settings::useFsGame,
        &Settings::switchProtocol,  &Settings::useAlias,      &Settings::addOnDirectRun,
        &Settings::displayOnReload, &Settings::copyIrcFormat, &Settings::minimize};
    for (std::size_t i = 0; i < std::size(flags); ++i) s.*flags[i] = (k + i) % 2;
    s.maxPing = 1000 + k % 8000;
    s.goodPing = k % 500;
    s.badPing = 500 + k % 500;
    s.maxThread = 1 + k % 64;
    s.gamePath = "/games/quake3 " + std::to_string(k) + "/quake3.x86_64";
    s.param = "+set fs_game mod" + std::to_string(k);
    s.serverListPath = ProgramDirectory() + "servers" + std::to_string(k) + ".vyk";
    s.buddyListPath = ProgramDirectory() + "buddies" + std::to_string(k) + ".vyk";
    s.masterServer = "master" + std::to_string(k) + ".invalid";
    s.masterServerPort = static_cast<std::uint16_t>(1000 + k % 20000);
    s.bgColor = MakeColor(k % 256, k / 256 % 256, 1);
    s.textColor = MakeColor(2, k % 256, k / 256 % 256);
    s.selectedTextColor = MakeColor(k / 256 % 256, 3, k % 256);
    s.buddyColor = MakeColor(k % 256, 4, k / 256 % 256);
    s.favoriteColor = MakeColor(5, k / 256 % 256, k % 256);
    return s;
  }

  PropertyRows RowsOf(int k) const {
    PropertyRows rows;
    FillOptionRows(rows, SettingsOf(k));
    return rows;
  }

  Settings base_;
  std::string start_;
  std::string firstBytes_;
};

// cache.srv: thousands of servers with a name, a connection count and a
// favourite flag; each step changes one value of one server through the
// cache calls, in an order that wanders over the whole file.
class ServerCacheKind : public FileKind {
 public:
  static constexpr int kServers = 3000;
  static constexpr int kSlots = kServers * 3;  // name, connectCount, favorite
  static constexpr int kStride = 7919;         // prime, so every slot is visited

  ServerCacheKind() {
    for (int inverse = 1; inverse < kSlots; ++inverse)
      if (static_cast<long>(kStride) * inverse % kSlots == 1) strideInverse_ = inverse;
  }

  std::string Name() const override { return "cache.srv"; }
  std::string MainPath() const override { return ServerCachePath(); }

  void PrepareStart() override { test::WriteFile(MainPath(), Bytes(0)); }

  bool Write(int k) override {
    const int slot = SlotOfStep(k);
    const std::string section = Section(slot / 3);
    switch (slot % 3) {
      case 0:
        SetCachedName(section, NameOf(slot / 3, k));
        break;
      case 1:
        IncrementConnectCount(section);
        break;
      default:
        SetFavorite(section, !IsFavorite(section));
        break;
    }
    return true;
  }

  std::string Bytes(int k) const override {
    std::string out;
    out.reserve(kServers * 72);
    for (int server = 0; server < kServers; ++server) {
      out += "[" + Section(server) + "]\n";
      out += "name=" + NameAt(server, k) + "\n";
      out += "connectCount=" + std::to_string(CountAt(server, k)) + "\n";
      out += std::string("favorite=") + (FavoriteAt(server, k) ? "1" : "0") + "\n";
    }
    return out;
  }

  // The servers of the last steps and of the next one, through the cache
  // calls, with whatever copy of the file this process keeps.
  void ExpectLoaded(int matched, int, int) override {
    for (int step = matched - 2; step <= matched + 1; ++step) {
      if (step < 1) continue;
      const int server = SlotOfStep(step) / 3;
      const std::string section = Section(server);
      EXPECT_EQ(GetCachedName(section), NameAt(server, matched)) << section;
      EXPECT_EQ(GetConnectCount(section), CountAt(server, matched)) << section;
      EXPECT_EQ(IsFavorite(section), FavoriteAt(server, matched)) << section;
    }
  }

  bool WriteFirst() override {
    SetCachedName("127.0.0.1:27960", "^1First ^7server");
    return true;
  }
  std::string FirstBytes() const override { return "[127.0.0.1:27960]\nname=^1First ^7server\n"; }
  void ExpectFirstLoaded(bool present) override {
    EXPECT_EQ(GetCachedName("127.0.0.1:27960"), present ? "^1First ^7server" : "-");
  }

 private:
  static std::string Section(int server) {
    return "10." + std::to_string(server / 250) + "." + std::to_string(server % 250) +
           ".1:" + std::to_string(27960 + server % 5);
  }
  static std::string NameOf(int server, int k) {
    return "^" + std::to_string(server % 10) + "Server " + std::to_string(server) + " ^7" +
           (k ? "renamed at step " + std::to_string(k) : std::string("as found"));
  }

  int SlotOfStep(int k) const {
    return static_cast<int>(static_cast<long>(k - 1) % kSlots * kStride % kSlots);
  }
  // Steps at most k that wrote the slot, and the last of them.
  int Writes(int slot, int k) const {
    const int first = static_cast<int>(static_cast<long>(slot) * strideInverse_ % kSlots) + 1;
    return k < first ? 0 : (k - first) / kSlots + 1;
  }
  int LastWrite(int slot, int k) const {
    const int first = static_cast<int>(static_cast<long>(slot) * strideInverse_ % kSlots) + 1;
    return first + (Writes(slot, k) - 1) * kSlots;
  }

  std::string NameAt(int server, int k) const {
    const int slot = server * 3;
    return NameOf(server, Writes(slot, k) ? LastWrite(slot, k) : 0);
  }
  int CountAt(int server, int k) const { return server % 40 + Writes(server * 3 + 1, k); }
  bool FavoriteAt(int server, int k) const {
    return ((server % 3 == 0) + Writes(server * 3 + 2, k)) % 2 == 1;
  }

  int strideInverse_ = 1;
};

// The three line lists share a file form; each version has its own lines.
class ListKind : public FileKind {
 public:
  ListKind(const char* name, const char* file) : name_(name), file_(file) {}
  std::string Name() const override { return name_; }
  std::string MainPath() const override { return ProgramDirectory() + file_; }
  void PrepareStart() override { ASSERT_TRUE(Write(0)); }
  std::string Bytes(int k) const override {
    std::string out;
    for (const std::string& line : Lines(k)) out += line + "\n";
    return out;
  }
  void ExpectFirstLoaded(bool present) override {
    if (present)
      ExpectLoaded(1, 1, 1);
    else
      ExpectMissing();
  }

 protected:
  virtual std::vector<std::string> Lines(int k) const = 0;
  virtual void ExpectMissing() = 0;

 private:
  const char* name_;
  const char* file_;
};

class ServerListKind : public ListKind {
 public:
  ServerListKind() : ListKind("server list", "server.vyk") {}
  bool Write(int k) override {
    ServerList list;
    for (const std::string& line : Lines(k)) {
      ServerInfo record;
      record.SetAddress(line);
      list.Add(record);
    }
    return SaveServerListFile(list, MainPath()).Ok();
  }
  void ExpectLoaded(int matched, int, int) override {
    ServerList list;
    ASSERT_TRUE(LoadServerListFile(list, true, MainPath()));
    const std::vector<std::string> lines = Lines(matched);
    ASSERT_EQ(list.Count(), static_cast<int>(lines.size()));
    for (int i = 0; i < list.Count(); ++i) ASSERT_EQ(list.At(i).Address(), lines[i]) << i;
  }

 protected:
  std::vector<std::string> Lines(int k) const override {
    std::vector<std::string> lines;
    const int count = 1500 + (k * 37) % 200;
    for (int i = 0; i < count; ++i)
      lines.push_back("10." + std::to_string(i / 250) + "." + std::to_string(i % 250) + "." +
                      std::to_string(k % 250) + ":" + std::to_string(20000 + k / 250 % 40000));
    return lines;
  }
  void ExpectMissing() override {
    ServerList list;
    EXPECT_FALSE(LoadServerListFile(list, true, MainPath()));
  }
};

class BuddyListKind : public ListKind {
 public:
  BuddyListKind() : ListKind("buddy list", "player.vyk") {}
  bool Write(int k) override {
    BuddyList buddies;
    for (const std::string& line : Lines(k)) buddies.Add(PlayerInfo{line});
    return buddies.Save(MainPath());
  }
  void ExpectLoaded(int matched, int, int) override {
    BuddyList buddies;
    ASSERT_TRUE(buddies.Load(MainPath()));
    const std::vector<std::string> lines = Lines(matched);
    ASSERT_EQ(buddies.Count(), static_cast<int>(lines.size()));
    for (int i = 0; i < buddies.Count(); ++i) ASSERT_EQ(buddies[i].name, lines[i]) << i;
  }

 protected:
  std::vector<std::string> Lines(int k) const override {
    std::vector<std::string> lines;
    const int count = 3000 + (k * 29) % 150;
    for (int i = 0; i < count; ++i)
      lines.push_back("buddy " + std::to_string(i) + " [clan" + std::to_string(k) + "]");
    return lines;
  }
  void ExpectMissing() override {
    BuddyList buddies;
    EXPECT_FALSE(buddies.Load(MainPath()));
  }
};

// The alias list also names the chosen alias in Config.ini: choosing writes
// that first, then saving writes the list. Each file must be whole on its own.
class AliasListKind : public ListKind {
 public:
  AliasListKind() : ListKind("alias list", "Alias.vyk") {}
  std::vector<std::string> Targets() const override { return {MainPath(), ConfigFilePath()}; }

  void RemoveFiles() override { std::filesystem::remove(MainPath()); }

  bool Write(int k) override {
    AliasList aliases;
    for (const std::string& line : Lines(k)) aliases.Add(PlayerInfo{line});
    aliases.ChooseAlias(Pick(k));
    return aliases.Save(MainPath());
  }
  // Choosing comes first, so the choice may be one version ahead of the list.
  void ExpectLoaded(int matched, int, int) override {
    const std::vector<std::string> lines = Lines(matched);
    const std::string last = ReadRawProfileString("info", "LastAlias");
    EXPECT_TRUE(last == lines[Pick(matched)] || last == Lines(matched + 1)[Pick(matched + 1)])
        << "LastAlias=" << last;
    AliasList aliases;
    ASSERT_TRUE(aliases.Load(MainPath()));
    ASSERT_EQ(aliases.Count(), static_cast<int>(lines.size()));
    for (int i = 0; i < aliases.Count(); ++i) ASSERT_EQ(aliases[i].name, lines[i]) << i;
    EXPECT_EQ(aliases.Chosen(), last == lines[Pick(matched)] ? Pick(matched) : -1);
  }

 protected:
  std::vector<std::string> Lines(int k) const override {
    std::vector<std::string> lines;
    const int count = 1500 + (k * 23) % 100;
    for (int i = 0; i < count; ++i)
      lines.push_back("^" + std::to_string(i % 8) + "Alias" + std::to_string(i) + "^7-" +
                      std::to_string(k));
    return lines;
  }
  void ExpectMissing() override {
    AliasList aliases;
    EXPECT_FALSE(aliases.Load(MainPath()));
  }

 private:
  static int Pick(int k) { return (k * 13) % 1500; }
};

// ---- The killing --------------------------------------------------------------

int EnvCount(const char* name, int def) {
  const char* text = std::getenv(name);
  return text && *text ? std::atoi(text) : def;
}

// How many kills to make: the number asked for in the environment, else the
// usual number, or fewer once the allowed time is spent.
class KillCount {
 public:
  KillCount(const char* variable, int usual, int least, Clock::duration allowance)
      : asked_(EnvCount(variable, 0)), usual_(usual), least_(least), allowance_(allowance) {}

  bool More(int made, Clock::time_point start) {
    made_ = made;
    if (asked_ > 0) return made < asked_;
    return made < usual_ && (made < least_ || Clock::now() - start < allowance_);
  }
  int Made() const { return made_; }

 private:
  int asked_, usual_, least_;
  Clock::duration allowance_;
  int made_ = 0;
};

std::uint64_t RunSeed() {
  static const std::uint64_t seed = [] {
    const char* text = std::getenv("VYK_CRASH_SEED");
    return text && *text ? std::strtoull(text, nullptr, 10) : std::random_device{}();
  }();
  return seed;
}

void SleepMicroseconds(long us) {
  timespec ts{us / 1000000, (us % 1000000) * 1000};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// Forks a child that writes versions from+1, from+2, ... (only version 1 by
// WriteFirst when `first`) until it is killed.
pid_t StartWriter(FileKind& kind, Progress* progress, int from, bool first) {
  progress->started = from;
  progress->done = from;
  progress->writingNs = 0;
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child != 0) return child;
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(4);
  const int last = first ? 1 : from + 1000000;
  for (int k = from + 1; k <= last; ++k) {
    const auto start = Clock::now();
    progress->started = k;
    if (!(first ? kind.WriteFirst() : kind.Write(k))) ::_exit(3);
    progress->done = k;
    progress->writingNs += std::chrono::nanoseconds(Clock::now() - start).count();
  }
  ::_exit(0);
}

// Returns once the child has begun its first write.
void AwaitFirstWrite(const Progress& progress, int from) {
  const auto start = Clock::now();
  while (progress.started == from && Clock::now() - start < std::chrono::seconds(30))
    SleepMicroseconds(20);
  EXPECT_NE(progress.started, from) << "the writer never began";
}

// Waits for the child's end (killing it first when `kill`); true when
// SIGKILL ended it, false when it ended by itself with a zero status (the
// first write finished).
bool Reap(pid_t child, bool kill) {
  if (kill) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return true;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the writer failed: status " << status;
  return false;
}

// Microseconds of one write, from a child let run for a few versions.
long TimeOfOneWrite(FileKind& kind, Progress* progress, int from) {
  constexpr int kWrites = 4;
  const auto start = Clock::now();
  const pid_t child = StartWriter(kind, progress, from, false);
  while (progress->done < from + kWrites && Clock::now() - start < std::chrono::seconds(60))
    SleepMicroseconds(200);
  Reap(child, true);
  EXPECT_GE(progress->done, from + kWrites) << "the writer made no progress";
  return static_cast<long>(progress->writingNs / 1000 / std::max(progress->done - from, 1));
}

struct Tally {
  int between = 0;              // no write in progress at the kill
  int oldKept = 0;              // a write in progress, the file still the version before it
  int newMade = 0;              // a write in progress, the file already the version it makes
  std::map<int, int> finished;  // versions finished by one child -> kills
  int mostTemporaries = 0;
};

std::string Summary(const std::string& what, const Tally& t, int kills, Clock::duration spent) {
  std::ostringstream out;
  out << what << ": " << kills << " kills in "
      << std::chrono::duration_cast<std::chrono::milliseconds>(spent).count() << " ms; "
      << "in a write: " << t.oldKept << " old, " << t.newMade
      << " new; between writes: " << t.between << "; versions finished per child:";
  for (auto [n, count] : t.finished) out << " " << n << (n == 3 ? "+" : "") << ":" << count;
  out << "; stray temporary files at most " << t.mostTemporaries;
  return out.str();
}

// Counts the temporary files beside every target and checks they do not
// pile up: a child that finished a write has cleared those of dead writers,
// so only that of its interrupted write may be left.
void CheckTemporaries(FileKind& kind, bool childWrote, std::map<std::string, int>& strays,
                      Tally& tally) {
  for (const std::string& target : kind.Targets()) {
    const int now = CountTemporaries(target);
    const int allowed = childWrote ? 1 : strays[target] + 1;
    EXPECT_LE(now, allowed) << "temporary files of " << target << " pile up";
    strays[target] = now;
    tally.mostTemporaries = std::max(tally.mostTemporaries, now);
  }
}

// Checks the files after the death of a child that started from `version`,
// then moves `version` on to the one the file holds.
void CheckAfterKill(FileKind& kind, const Progress& progress, int& version,
                    std::map<std::string, int>& strays, Tally& tally) {
  const int done = progress.done, started = progress.started;
  SCOPED_TRACE("the child started from version " + std::to_string(version) + ", finished " +
               std::to_string(done) + ", was writing " + std::to_string(started));
  ASSERT_TRUE(started == done || started == done + 1);
  const std::optional<std::string> bytes = Slurp(kind.MainPath());
  const std::string before = kind.Bytes(done);
  int matched = -1;
  if (bytes == before)
    matched = done;
  else if (started != done && bytes == kind.Bytes(started))
    matched = started;
  ASSERT_NE(matched, -1) << Mismatch(bytes, before, kind.Bytes(started));
  ASSERT_NO_FATAL_FAILURE(kind.ExpectLoaded(matched, done, started));
  CheckTemporaries(kind, done > version, strays, tally);

  if (started == done)
    ++tally.between;
  else if (matched == done)
    ++tally.oldKept;
  else
    ++tally.newMade;
  ++tally.finished[std::min(done - version, 3)];
  version = matched;
}

// The same after a child making the first write of all.
void CheckAfterFirstKill(FileKind& kind, const Progress& progress,
                         std::map<std::string, int>& strays, Tally& tally) {
  const int done = progress.done, started = progress.started;
  SCOPED_TRACE("first write; the child finished " + std::to_string(done) + ", was writing " +
               std::to_string(started));
  const std::optional<std::string> bytes = Slurp(kind.MainPath());
  if (done == 1 || (bytes && started == 1))
    ASSERT_EQ(bytes, kind.FirstBytes()) << Mismatch(bytes, "", kind.FirstBytes());
  else
    ASSERT_FALSE(bytes) << "a file appeared with nothing written: " << bytes->size() << " bytes";
  ASSERT_NO_FATAL_FAILURE(kind.ExpectFirstLoaded(bytes.has_value()));
  CheckTemporaries(kind, done == 1, strays, tally);

  if (started == done)
    ++tally.between;
  else if (!bytes)
    ++tally.oldKept;
  else
    ++tally.newMade;
  ++tally.finished[done];
}

void KillWritersAtRandom(FileKind& kind) {
  KillCount kills("VYK_CRASH_KILLS", 200, 60, std::chrono::seconds(7));
  KillCount firstKills("VYK_CRASH_FIRST_KILLS", 40, 20, std::chrono::seconds(2));
  std::mt19937_64 random(RunSeed() ^ std::hash<std::string>{}(kind.Name()));
  SCOPED_TRACE(kind.Name() + ", run seed " + std::to_string(RunSeed()));
  SharedProgress progress;
  std::map<std::string, int> strays;
  Tally unused;

  // Writes over a file that exists. A child let run a few writes first
  // gives the time of one.
  ASSERT_NO_FATAL_FAILURE(kind.PrepareStart());
  ASSERT_EQ(Slurp(kind.MainPath()), kind.Bytes(0));
  int version = 0;
  const long perWriteUs = TimeOfOneWrite(kind, progress.get(), version);
  ASSERT_NO_FATAL_FAILURE(CheckAfterKill(kind, *progress.get(), version, strays, unused));
  // Up to two writes' time after the child begins: kills land inside and
  // between writes.
  std::uniform_int_distribution<long> delay(0, std::max(2 * perWriteUs, 200L));

  Tally tally;
  const auto start = Clock::now();
  for (int n = 0; kills.More(n, start); ++n) {
    const long us = delay(random);
    const pid_t child = StartWriter(kind, progress.get(), version, false);
    AwaitFirstWrite(*progress.get(), version);
    SleepMicroseconds(us);
    Reap(child, true);
    SCOPED_TRACE("kill " + std::to_string(n) + " after " + std::to_string(us) + " us");
    ASSERT_NO_FATAL_FAILURE(CheckAfterKill(kind, *progress.get(), version, strays, tally));
    if (::testing::Test::HasFailure()) return;
  }
  const auto spent = Clock::now() - start;

  // One whole write clears whatever the dead writers left.
  ASSERT_TRUE(kind.Write(version + 1));
  EXPECT_EQ(Slurp(kind.MainPath()), kind.Bytes(version + 1));
  for (const std::string& target : kind.Targets()) EXPECT_EQ(CountTemporaries(target), 0) << target;

  // The first write of all, with no file before it; one left alone to end
  // gives its time.
  kind.RemoveFiles();
  Reap(StartWriter(kind, progress.get(), 0, true), false);
  const long firstUs = static_cast<long>(progress->writingNs / 1000);
  ASSERT_NO_FATAL_FAILURE(CheckAfterFirstKill(kind, *progress.get(), strays, unused));
  ASSERT_EQ(progress->done, 1);
  std::uniform_int_distribution<long> firstDelay(0, std::max(5 * firstUs / 4, 100L));
  Tally firstTally;
  const auto firstStart = Clock::now();
  for (int n = 0; firstKills.More(n, firstStart); ++n) {
    kind.RemoveFiles();
    const long us = firstDelay(random);
    const pid_t child = StartWriter(kind, progress.get(), 0, true);
    AwaitFirstWrite(*progress.get(), 0);
    SleepMicroseconds(us);
    Reap(child, true);
    SCOPED_TRACE("first write, kill " + std::to_string(n) + " after " + std::to_string(us) + " us");
    ASSERT_NO_FATAL_FAILURE(CheckAfterFirstKill(kind, *progress.get(), strays, firstTally));
    if (::testing::Test::HasFailure()) return;
  }
  const auto firstSpent = Clock::now() - firstStart;

  std::printf("[ crash    ] %s (one write %.2f ms, a first write %.2f ms, seed %llu)\n  %s\n  %s\n",
              kind.Name().c_str(), static_cast<double>(perWriteUs) / 1000.0,
              static_cast<double>(firstUs) / 1000.0, static_cast<unsigned long long>(RunSeed()),
              Summary("over a file", tally, kills.Made(), spent).c_str(),
              Summary("first write", firstTally, firstKills.Made(), firstSpent).c_str());
}

class CrashSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override { ProfileFile::DropCache(); }
  void TearDown() override { ProfileFile::DropCache(); }

  test::TestHome home_;
};

TEST_F(CrashSafetyTest, ConfigIniIsAlwaysOneWholeVersion) {
  ConfigIniKind kind;
  KillWritersAtRandom(kind);
}

TEST_F(CrashSafetyTest, ConfigIniHoldsAllOrNoneOfAnOptionsOk) {
  OptionsOkKind kind;
  KillWritersAtRandom(kind);
}

TEST_F(CrashSafetyTest, ServerCacheIsAlwaysOneWholeVersion) {
  ServerCacheKind kind;
  KillWritersAtRandom(kind);
}

TEST_F(CrashSafetyTest, ServerListFileIsAlwaysOneWholeVersion) {
  ServerListKind kind;
  KillWritersAtRandom(kind);
}

TEST_F(CrashSafetyTest, BuddyListIsAlwaysOneWholeVersion) {
  BuddyListKind kind;
  KillWritersAtRandom(kind);
}

TEST_F(CrashSafetyTest, AliasListIsAlwaysOneWholeVersion) {
  AliasListKind kind;
  KillWritersAtRandom(kind);
}

}  // namespace
}  // namespace vyk
