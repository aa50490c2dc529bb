#pragma once
#include <cstdint>
#include <string>

namespace vyk {

// 0x00BBGGRR, red in the low byte.
using Color = std::uint32_t;
constexpr Color MakeColor(int r, int g, int b) {
  return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Color c) { return c & 0xFF; }
constexpr int GreenOf(Color c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(Color c) { return (c >> 16) & 0xFF; }

inline constexpr const char* kDefaultMasterServer = "directory.ioquake3.org";

struct Settings {
  Color bgColor = MakeColor(0, 0, 0);
  Color textColor = MakeColor(180, 180, 180);
  Color selectedTextColor = MakeColor(255, 0, 0);
  Color buddyColor = MakeColor(255, 0, 0);
  Color favoriteColor = MakeColor(0, 180, 180);
  std::int32_t maxThread = 16;
  std::string serverListPath;
  std::string buddyListPath;
  std::string masterServer = kDefaultMasterServer;
  std::uint16_t masterServerPort = 27950;
  std::string protocol = "66";
  std::string gamePath;
  std::int32_t hideTimeOut = 1;
  std::int32_t hideFull = 0;
  std::int32_t hideEmpty = 0;
  std::int32_t onlyBuddy = 0;
  std::int32_t maxPing = 9999;
  std::int32_t useFsGame = 0;
  std::int32_t addOnDirectRun = 1;
  std::int32_t switchProtocol = 1;
  std::int32_t lastServerSort = 4;
  std::string param;
  std::string aliasListPath;
  std::int32_t useAlias = 1;
  std::int32_t copyIrcFormat = 1;
  std::int32_t goodPing = 40;
  std::int32_t badPing = 90;
  std::int32_t displayOnReload = 1;
  std::int32_t minimize = 1;
  std::int32_t localOnly = 0;

  // Fills every field from Config.ini, writing back defaults of missing keys.
  void Load();
};

// While one lives, nothing is written to Config.ini: defaults and changes stay
// in memory. A run of the command-line switches on a home without Config.ini
// uses it, so that the window's first run still asks for the options.
class ConfigWritesOff {
 public:
  ConfigWritesOff();
  ~ConfigWritesOff();
  ConfigWritesOff(const ConfigWritesOff&) = delete;
  ConfigWritesOff& operator=(const ConfigWritesOff&) = delete;
};

// Config.ini functions; every call opens the file afresh.
std::string ConfigFilePath();
std::string DirectoryOf(const std::string& fullPath);
bool FileExists(const std::string& path);
bool ConfigFileExists();
std::string ReadRawProfileString(const std::string& section, const std::string& key);
void WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& text);
std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& def);
std::int32_t ReadProfileInt(const std::string& section, const std::string& key,
                            std::int32_t def);
void WriteProfileInt(const std::string& section, const std::string& key, std::int32_t value);
Color ReadProfileColor(const std::string& section, const std::string& key, Color def);
std::string FormatColor(Color color);

}  // namespace vyk
