#pragma once
#include <cstdint>
#include <string>

#include "core/Settings.h"

namespace vyk {

// Fills every field from Config.ini, in the order of the settings table, writing back
// the defaults of missing keys.
void LoadSettings(Settings& settings);

// The sort key in force, remembered in memory and in Config.ini at once.
void StoreLastServerSort(Settings& settings, int key);

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
