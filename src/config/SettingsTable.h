#pragma once
// Every setting of Config.ini in one table: its field, section, key, default when loading,
// and its row in the Options dialog. Loading, the Options rows and what OK writes all
// come from here.
#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "config/PropertyItemDesc.h"
#include "core/Settings.h"

namespace vyk {

// Flags are stored as 0 and 1, integers by "%d" (the port keeps its low 16 bits),
// colours by FormatColor, texts as they stand.
using SettingField =
    std::variant<bool Settings::*, std::int32_t Settings::*, std::uint16_t Settings::*,
                 Color Settings::*, std::string Settings::*>;

// What loading writes back when the key is missing or empty; a kIfMissing
// key's empty value is a value of its own ("none") and stays.
struct SettingDefault {
  enum Kind { kCurrentValue, kFixed, kInProgramDirectory, kIfMissing };
  Kind kind = kCurrentValue;
  const char* text = "";  // kFixed, kIfMissing: the value; kInProgramDirectory: the file name
};

// A setting's row in the Options dialog; no label, no row.
struct OptionRow {
  const char* label = nullptr;
  const char* category = "";
  PropertyKind kind = kPropertyText;
  int position = 0;  // place among the rows, categories not counted
  int written = 0;   // place in the order OK writes the rows
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;
  const char* fileFilter = "";
  const char* writtenKey = nullptr;  // OK writes the key in this spelling when set
  const char* suffix = "";           // appended to the text OK writes
};

struct SettingDesc {
  SettingField field;
  const char* section;
  const char* key;
  SettingDefault byDefault;
  OptionRow row;

  bool HasRow() const { return row.label != nullptr; }
  const char* WrittenKey() const { return row.writtenKey ? row.writtenKey : key; }
};

// In the order loading reads the keys.
std::span<const SettingDesc> SettingsTable();

}  // namespace vyk
