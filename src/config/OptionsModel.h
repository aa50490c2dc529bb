#pragma once
// The rows of the Options dialog and what OK writes, both from the settings table.
#include <functional>
#include <string>
#include <vector>

#include "config/PropertyRows.h"
#include "config/SettingsTable.h"

namespace vyk {

// Empties the rows and adds every category and row of the dialog from the settings.
void FillOptionRows(PropertyRows& rows, const Settings& settings);

// The settings with a row, in the order OK writes them.
std::vector<const SettingDesc*> OptionWriteOrder();

using ProfileWriter =
    std::function<void(const std::string& section, const std::string& key, const std::string&)>;

// Writes every row of OptionWriteOrder that exists, in that order (integers and flags as
// "%d", colours as FormatColor, texts as they stand, "Parameters" with one blank after).
// Without a writer the values go to Config.ini, all in one replacement of the file.
void WriteOptionRows(const PropertyRows& rows, const ProfileWriter& write = {});

}  // namespace vyk
