#include "config/ConfigFile.h"

#include <atomic>
#include <filesystem>
#include <system_error>
#include <type_traits>
#include <variant>

#include "config/SettingsTable.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramDirectory.h"

namespace vyk {
namespace {

// One number of "%i": blanks, sign, then hexadecimal after "0x", octal after a
// leading "0", decimal otherwise. Only the low 8 bits are wanted, so the value
// may wrap. False when there is no digit.
bool ScanInt(const std::string& text, std::size_t& pos, std::uint64_t& value) {
  std::size_t i = pos;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  auto digit = [](char c, unsigned base) -> int {
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'z' ? c - 'a' + 10
            : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                   : 99;
    return d < static_cast<int>(base) ? d : -1;
  };
  unsigned base = 10;
  if (i < text.size() && text[i] == '0') {
    base = 8;
    if (i + 2 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        digit(text[i + 2], 16) >= 0) {
      base = 16;
      i += 2;
    }
  }
  std::uint64_t v = 0;
  std::size_t start = i;
  for (int d; i < text.size() && (d = digit(text[i], base)) >= 0; ++i) v = v * base + d;
  if (i == start) return false;
  value = negative ? 0 - v : v;
  pos = i;
  return true;
}

// "(%i,%i,%i)" as sscanf reads it; true when all three numbers convert.
bool ScanColor(const std::string& text, Color& color) {
  std::size_t pos = 0;
  std::uint64_t part[3];
  for (int n = 0; n < 3; ++n) {
    const char expected = n == 0 ? '(' : ',';
    if (pos >= text.size() || text[pos] != expected) return false;
    ++pos;
    if (!ScanInt(text, pos, part[n])) return false;
  }
  color = MakeColor(static_cast<int>(part[0] & 0xFF), static_cast<int>(part[1] & 0xFF),
                    static_cast<int>(part[2] & 0xFF));
  return true;
}

std::atomic<int> g_writesOff{0};

}  // namespace

ConfigWritesOff::ConfigWritesOff() {
  ++g_writesOff;
}

ConfigWritesOff::~ConfigWritesOff() {
  --g_writesOff;
}

std::string ConfigFilePath() {
  return ProgramDirectory() + "Config.ini";
}

std::string DirectoryOf(const std::string& fullPath) {
  auto separator = fullPath.find_last_of("/\\");
  return separator == std::string::npos ? std::string() : fullPath.substr(0, separator + 1);
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::exists(path, ec);
}

bool ConfigFileExists() {
  return FileExists(ConfigFilePath());
}

std::string ReadRawProfileString(const std::string& section, const std::string& key) {
  return ProfileFile::ReadString(ConfigFilePath(), section, key, "");
}

void WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& text) {
  if (g_writesOff > 0) return;
  ProfileFile::Write(ConfigFilePath(), section, key, text);
}

std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& def) {
  std::string value = ReadRawProfileString(section, key);
  if (!value.empty()) return value;
  WriteProfileString(section, key, def);
  return def;
}

std::int32_t ReadProfileInt(const std::string& section, const std::string& key, std::int32_t def) {
  return ParseLeadingInt(ReadProfileString(section, key, std::to_string(def)));
}

void WriteProfileInt(const std::string& section, const std::string& key, std::int32_t value) {
  WriteProfileString(section, key, std::to_string(value));
}

Color ReadProfileColor(const std::string& section, const std::string& key, Color def) {
  std::string value = ReadRawProfileString(section, key);
  Color color;
  if (!value.empty() && ScanColor(value, color)) return color;
  WriteProfileString(section, key, FormatColor(def));
  return def;
}

std::string FormatColor(Color color) {
  return "(" + std::to_string(RedOf(color)) + "," + std::to_string(GreenOf(color)) + "," +
         std::to_string(BlueOf(color)) + ")";
}

namespace {

// An empty value is kept; only a missing key takes, and writes back, the default.
std::string ReadUnlessMissing(const SettingDesc& d) {
  if (auto value = ProfileFile::Read(ConfigFilePath(), d.section, d.key)) return *value;
  WriteProfileString(d.section, d.key, d.byDefault.text);
  return d.byDefault.text;
}

}  // namespace

void LoadSettings(Settings& settings) {
  ScopedStatus status("Loading Config");
  const std::string dir = ProgramDirectory();
  for (const SettingDesc& d : SettingsTable()) {
    std::visit(
        [&](auto member) {
          auto& value = settings.*member;
          using Value = std::remove_reference_t<decltype(value)>;
          if constexpr (std::is_same_v<Value, Color>) {
            value = ReadProfileColor(d.section, d.key, value);
          } else if (d.byDefault.kind == SettingDefault::kIfMissing) {
            if constexpr (std::is_same_v<Value, std::string>) value = ReadUnlessMissing(d);
          } else {
            std::string def;
            if (d.byDefault.kind == SettingDefault::kFixed)
              def = d.byDefault.text;
            else if (d.byDefault.kind == SettingDefault::kInProgramDirectory)
              def = dir + d.byDefault.text;
            else if constexpr (std::is_same_v<Value, std::string>)
              def = value;
            else
              def = std::to_string(static_cast<std::int32_t>(value));
            const std::string text = ReadProfileString(d.section, d.key, def);
            if constexpr (std::is_same_v<Value, std::string>)
              value = text;
            else if constexpr (std::is_same_v<Value, bool>)
              value = ParseLeadingInt(text) != 0;
            else
              value = static_cast<Value>(ParseLeadingInt(text));
          }
        },
        d.field);
  }
}

void StoreLastServerSort(Settings& settings, int key) {
  settings.lastServerSort = key;
  for (const SettingDesc& d : SettingsTable())
    if (d.field == SettingField(&Settings::lastServerSort)) WriteProfileInt(d.section, d.key, key);
}

}  // namespace vyk
