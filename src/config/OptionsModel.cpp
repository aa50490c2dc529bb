#include "config/OptionsModel.h"

#include "platform/ProfileFile.h"

namespace vyk {
namespace {

class RowAdder {
 public:
  explicit RowAdder(PropertyRows& rows) : rows_(rows) {}

  void Category(const char* label) { rows_.AddCategory(label, kPropertyCategory, 0); }
  void Check(const char* label, std::int32_t flag) {
    PropertyItemDesc d = Base(label, kPropertyCheck);
    d.flag = flag;
    rows_.AddItem(d);
  }
  void Number(const char* label, std::int32_t kind, std::int32_t value, std::int32_t minimum,
              std::int32_t maximum) {
    PropertyItemDesc d = Base(label, kind);
    d.integer = value;
    d.minimum = minimum;
    d.maximum = maximum;
    rows_.AddItem(d);
  }
  void Text(const char* label, const std::string& text) {
    PropertyItemDesc d = Base(label, kPropertyText);
    d.text = text;
    rows_.AddItem(d);
  }
  void File(const char* label, const std::string& path, const char* filter) {
    PropertyItemDesc d = Base(label, kPropertyFile);
    d.text = path;
    d.fileFilter = filter;
    d.openMode = 1;
    rows_.AddItem(d);
  }
  void Colour(const char* label, Color colour) {
    PropertyItemDesc d = Base(label, kPropertyColour);
    d.colour = colour;
    rows_.AddItem(d);
  }

 private:
  // Every row starts from a clean description, so no row inherits another's bounds.
  static PropertyItemDesc Base(const char* label, std::int32_t kind) {
    PropertyItemDesc d;
    d.label = label;
    d.kind = kind;
    return d;
  }
  PropertyRows& rows_;
};

}  // namespace

void FillOptionRows(PropertyRows& rows, const Settings& s) {
  rows.ResetContent();
  RowAdder add(rows);
  add.Category("Filter");
  add.Check("Hide Timeout", s.hideTimeOut);
  add.Check("Hide Full", s.hideFull);
  add.Check("Hide Empty", s.hideEmpty);
  add.Check("Only Buddy", s.onlyBuddy);
  add.Number("Maximum Ping", kPropertyBoundedNumber, s.maxPing, 0, 9999);
  add.Number("Good Ping", kPropertyBoundedNumber, s.goodPing, 0, 9999);
  add.Number("Bad Ping", kPropertyBoundedNumber, s.badPing, 0, 9999);
  add.Check("Only Local", s.localOnly);
  add.Category("Quake3");
  add.File("Path", s.gamePath, "Quake III |*.exe|All Files (*.*)|*.*|");
  add.Text("Parameters", s.param);
  add.Check("Use fs_game", s.useFsGame);
  add.Check("Switch Protocol", s.switchProtocol);
  add.Check("Use Alias", s.useAlias);
  add.Category("General");
  add.Check("AddOnDirectRun", s.addOnDirectRun);
  add.Check("Display on Reload", s.displayOnReload);
  add.Number("Maximum Thread", kPropertyBoundedNumber, s.maxThread, 1, 64);
  add.Colour("Background Color", s.bgColor);
  add.Colour("Text Color", s.textColor);
  add.Colour("Selected Text Color", s.selectedTextColor);
  add.Colour("Buddy Color", s.buddyColor);
  add.Colour("Favorite Color", s.favoriteColor);
  add.Check("Copy mIRC format", s.copyIrcFormat);
  add.Check("Minimize On Connect", s.minimize);
  add.Category("Files");
  add.File("Server File", s.serverListPath, "Server Files (*.vyk)|*.vyk|All Files (*.*)|*.*|");
  add.File("Buddy File", s.buddyListPath, "Buddy File (*.vyk)|*.vyk|All Files (*.*)|*.*|");
  add.Category("Master Server");
  add.Text("Address", s.masterServer);
  add.Number("port", kPropertyNumber, s.masterServerPort, kPortMinimum, kPortMaximum);
}

const std::vector<OptionWrite>& OptionWriteOrder() {
  using V = OptionValue;
  static const std::vector<OptionWrite> order = {
      {"Path", "quake3", "path", V::kText},
      {"Parameters", "quake3", "Param", V::kTextWithBlank},
      {"Use fs_game", "quake3", "Use_fs_game", V::kFlag},
      {"Switch Protocol", "quake3", "SwitchProtocol", V::kFlag},
      {"Use Alias", "quake3", "UseAlias", V::kFlag},
      {"Copy mIRC format", "info", "CopyIRCFormat", V::kFlag},
      {"Display on Reload", "info", "DisplayOnReload", V::kFlag},
      {"Minimize On Connect", "info", "Minimize", V::kFlag},
      {"Only Local", "info", "LocalOnly", V::kFlag},
      {"Maximum Thread", "info", "MaxThread", V::kInt},
      {"Server File", "info", "ServerList", V::kText},
      {"Buddy File", "info", "PlayerList", V::kText},
      {"Address", "info", "MASTERSERVER", V::kText},
      {"port", "info", "MASTERSERVERPORT", V::kInt},
      {"Buddy Color", "info", "BuddyColor", V::kColour},
      {"Selected Text Color", "info", "SelectedTextColor", V::kColour},
      {"Background Color", "info", "bgColor", V::kColour},
      {"Text Color", "info", "TextColor", V::kColour},
      {"Favorite Color", "info", "FavoriteColor", V::kColour},
      {"Hide Timeout", "Filter", "HideTimeOut", V::kFlag},
      {"Hide Full", "Filter", "HideFull", V::kFlag},
      {"Hide Empty", "Filter", "HideEmpty", V::kFlag},
      {"Only Buddy", "Filter", "OnlyBuddy", V::kFlag},
      {"AddOnDirectRun", "info", "AddOnDirectRun", V::kFlag},
      {"Maximum Ping", "Filter", "MaxPing", V::kInt},
      {"Good Ping", "Filter", "GoodPing", V::kInt},
      {"Bad Ping", "Filter", "BadPing", V::kInt},
  };
  return order;
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
  for (const OptionWrite& w : OptionWriteOrder()) {
    const PropertyItem* item = rows.Find(w.label);
    if (!item) continue;
    switch (w.value) {
      case OptionValue::kText:
        writer(w.section, w.key, item->text);
        break;
      case OptionValue::kTextWithBlank:
        writer(w.section, w.key, item->text + " ");
        break;
      case OptionValue::kInt:
        writer(w.section, w.key, std::to_string(item->integer));
        break;
      case OptionValue::kFlag:
        writer(w.section, w.key, std::to_string(item->flag));
        break;
      case OptionValue::kColour:
        writer(w.section, w.key, FormatColor(item->colour));
        break;
    }
  }
}

}  // namespace vyk
