#pragma once
// The rows of the Options dialog and what OK writes: which rows, in which order, under
// which section and key of Config.ini.
#include <functional>
#include <string>
#include <vector>

#include "config/PropertyRows.h"
#include "config/Settings.h"

namespace vyk {

// The game port row has no bounds of its own; the port is 16 bits wide.
inline constexpr std::int32_t kPortMinimum = 1;
inline constexpr std::int32_t kPortMaximum = 65535;

// Empties the rows and adds every category and row of the dialog from the settings.
void FillOptionRows(PropertyRows& rows, const Settings& settings);

enum class OptionValue { kText, kTextWithBlank, kInt, kFlag, kColour };

// One row that OK writes, in writing order.
struct OptionWrite {
  const char* label;
  const char* section;
  const char* key;
  OptionValue value;
};
const std::vector<OptionWrite>& OptionWriteOrder();

using ProfileWriter =
    std::function<void(const std::string& section, const std::string& key, const std::string&)>;

// Writes every row of OptionWriteOrder that exists, in that order (integers and flags as
// "%d", colours as FormatColor, texts as they stand, "Parameters" with one blank after).
// Without a writer the values go to Config.ini, all in one replacement of the file.
void WriteOptionRows(const PropertyRows& rows, const ProfileWriter& write = {});

}  // namespace vyk
