#include "config/OptionsModel.h"

#include <algorithm>
#include <type_traits>
#include <variant>

#include "config/ConfigFile.h"
#include "platform/ProfileFile.h"

namespace vyk {
namespace {

std::vector<const SettingDesc*> RowsBy(int OptionRow::*place) {
  std::vector<const SettingDesc*> rows;
  for (const SettingDesc& d : SettingsTable())
    if (d.HasRow()) rows.push_back(&d);
  std::sort(rows.begin(), rows.end(), [&](const SettingDesc* a, const SettingDesc* b) {
    return a->row.*place < b->row.*place;
  });
  return rows;
}

// Every row starts from a clean description, so no row inherits another's bounds.
PropertyItemDesc RowOf(const SettingDesc& d, const Settings& settings) {
  PropertyItemDesc row;
  row.label = d.row.label;
  row.kind = d.row.kind;
  row.minimum = d.row.minimum;
  row.maximum = d.row.maximum;
  row.fileFilter = d.row.fileFilter;
  std::visit(
      [&](auto member) {
        const auto& value = settings.*member;
        using Value = std::remove_cvref_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, bool>)
          row.flag = value ? 1 : 0;
        else if constexpr (std::is_same_v<Value, Color>)
          row.colour = value;
        else if constexpr (std::is_same_v<Value, std::string>)
          row.text = value;
        else
          row.integer = value;
      },
      d.field);
  return row;
}

std::string ValueText(const SettingDesc& d, const PropertyItem& item) {
  return std::visit(
      [&](auto member) -> std::string {
        using Value = std::remove_cvref_t<decltype(Settings().*member)>;
        if constexpr (std::is_same_v<Value, bool>)
          return std::to_string(item.flag);
        else if constexpr (std::is_same_v<Value, Color>)
          return FormatColor(item.colour);
        else if constexpr (std::is_same_v<Value, std::string>)
          return item.text + d.row.suffix;
        else
          return std::to_string(item.integer);
      },
      d.field);
}

}  // namespace

void FillOptionRows(PropertyRows& rows, const Settings& settings) {
  rows.ResetContent();
  std::string category;
  for (const SettingDesc* d : RowsBy(&OptionRow::position)) {
    if (category != d->row.category) {
      category = d->row.category;
      rows.AddCategory(category, kPropertyCategory, 0);
    }
    rows.AddItem(RowOf(*d, settings));
  }
}

std::vector<const SettingDesc*> OptionWriteOrder() {
  return RowsBy(&OptionRow::written);
}

void WriteOptionRows(const PropertyRows& rows, const ProfileWriter& writer) {
  if (!writer) {
    // All rows in one replacement of Config.ini: a crash halfway through
    // must not leave some options changed and the rest not.
    std::vector<ProfileFile::Entry> entries;
    WriteOptionRows(
        rows, [&](const std::string& section, const std::string& key, const std::string& value) {
          entries.push_back({section, key, value});
        });
    ProfileFile::WriteAll(ConfigFilePath(), entries);
    return;
  }
  for (const SettingDesc* d : OptionWriteOrder()) {
    const PropertyItem* item = rows.Find(d->row.label);
    if (item) writer(d->section, d->WrittenKey(), ValueText(*d, *item));
  }
}

}  // namespace vyk
