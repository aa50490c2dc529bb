#include "config/SettingsTable.h"

namespace vyk {
namespace {

constexpr SettingDefault kCurrent{};
constexpr SettingDefault Fixed(const char* text) {
  return {SettingDefault::kFixed, text};
}
constexpr SettingDefault IfMissing(const char* text) {
  return {SettingDefault::kIfMissing, text};
}
constexpr SettingDefault InProgramDirectory(const char* file) {
  return {SettingDefault::kInProgramDirectory, file};
}

constexpr OptionRow kNoRow{};
constexpr OptionRow Check(const char* label, const char* category, int position, int written) {
  return {.label = label, .category = category, .kind = kPropertyCheck,
          .position = position, .written = written};
}
constexpr OptionRow Bounded(const char* label, const char* category, int position, int written,
                            std::int32_t minimum, std::int32_t maximum) {
  return {.label = label, .category = category, .kind = kPropertyBoundedNumber,
          .position = position, .written = written, .minimum = minimum, .maximum = maximum};
}
constexpr OptionRow Colour(const char* label, int position, int written) {
  return {.label = label, .category = "General", .kind = kPropertyColour,
          .position = position, .written = written};
}
constexpr OptionRow File(const char* label, const char* category, int position, int written,
                         const char* filter) {
  return {.label = label, .category = category, .kind = kPropertyFile,
          .position = position, .written = written, .fileFilter = filter};
}

// Rows beyond the classic ones gather after them, where they move none of them.
constexpr const char* kFindingGames = "Finding Games";
constexpr std::int32_t kMaxAutoRefresh = 24 * 60;

// The game port row has no bounds of its own; the port is 16 bits wide.
constexpr std::int32_t kPortMinimum = 1;
constexpr std::int32_t kPortMaximum = 65535;

// One line per setting, however long: clang-format would spread a row over ten.
// clang-format off
const SettingDesc kTable[] = {
    {&Settings::bgColor, "info", "bgColor", kCurrent, Colour("Background Color", 16, 16)},
    {&Settings::textColor, "info", "TextColor", kCurrent, Colour("Text Color", 17, 17)},
    {&Settings::selectedTextColor, "info", "SelectedTextColor", kCurrent,
     Colour("Selected Text Color", 18, 15)},
    {&Settings::buddyColor, "info", "BuddyColor", kCurrent, Colour("Buddy Color", 19, 14)},
    {&Settings::favoriteColor, "info", "FavoriteColor", kCurrent,
     Colour("Favorite Color", 20, 18)},
    {&Settings::maxThread, "info", "MaxThread", kCurrent,
     Bounded("Maximum Thread", "General", 15, 9, 1, 64)},
    {&Settings::serverListPath, "info", "ServerList", InProgramDirectory("server.vyk"),
     File("Server File", "Files", 23, 10, "Server Files (*.vyk)|*.vyk|All Files (*.*)|*.*|")},
    {&Settings::buddyListPath, "info", "PlayerList", InProgramDirectory("player.vyk"),
     File("Buddy File", "Files", 24, 11, "Buddy File (*.vyk)|*.vyk|All Files (*.*)|*.*|")},
    {&Settings::masterServer, "info", "MasterServer", kCurrent,
     {.label = "Address", .category = "Master Server", .kind = kPropertyText, .position = 25,
      .written = 12, .writtenKey = "MASTERSERVER"}},
    {&Settings::masterServerPort, "info", "MasterServerPort", kCurrent,
     {.label = "port", .category = "Master Server", .kind = kPropertyNumber, .position = 26,
      .written = 13, .minimum = kPortMinimum, .maximum = kPortMaximum,
      .writtenKey = "MASTERSERVERPORT"}},
    {&Settings::addOnDirectRun, "info", "AddOnDirectRun", kCurrent,
     Check("AddOnDirectRun", "General", 13, 23)},
    {&Settings::protocol, "quake3", "protocol", kCurrent, kNoRow},
    {&Settings::gamePath, "quake3", "path", kCurrent,
     File("Path", "Quake3", 8, 0, "Quake III |*.exe|All Files (*.*)|*.*|")},
    {&Settings::useFsGame, "quake3", "Use_fs_game", kCurrent,
     Check("Use fs_game", "Quake3", 10, 2)},
    {&Settings::hideTimeOut, "Filter", "HideTimeOut", kCurrent,
     Check("Hide Timeout", "Filter", 0, 19)},
    {&Settings::hideFull, "Filter", "HideFull", kCurrent, Check("Hide Full", "Filter", 1, 20)},
    {&Settings::hideEmpty, "Filter", "HideEmpty", kCurrent, Check("Hide Empty", "Filter", 2, 21)},
    {&Settings::onlyBuddy, "Filter", "OnlyBuddy", kCurrent, Check("Only Buddy", "Filter", 3, 22)},
    {&Settings::maxPing, "Filter", "MaxPing", Fixed("9999"),
     Bounded("Maximum Ping", "Filter", 4, 24, 0, 9999)},
    {&Settings::switchProtocol, "quake3", "SwitchProtocol", kCurrent,
     Check("Switch Protocol", "Quake3", 11, 3)},
    {&Settings::lastServerSort, "info", "LastServerSort", kCurrent, kNoRow},
    // Written with one blank after, which reading drops again.
    {&Settings::param, "quake3", "Param", Fixed(""),
     {.label = "Parameters", .category = "Quake3", .kind = kPropertyText, .position = 9,
      .written = 1, .suffix = " "}},
    {&Settings::aliasListPath, "info", "AliasList", InProgramDirectory("Alias.vyk"), kNoRow},
    {&Settings::useAlias, "quake3", "UseAlias", kCurrent, Check("Use Alias", "Quake3", 12, 4)},
    {&Settings::copyIrcFormat, "info", "CopyIRCFormat", kCurrent,
     Check("Copy mIRC format", "General", 21, 5)},
    {&Settings::displayOnReload, "info", "DisplayOnReload", kCurrent,
     Check("Display on Reload", "General", 14, 6)},
    {&Settings::minimize, "info", "Minimize", kCurrent,
     Check("Minimize On Connect", "General", 22, 7)},
    {&Settings::goodPing, "Filter", "GoodPing", kCurrent,
     Bounded("Good Ping", "Filter", 5, 25, 0, 9999)},
    {&Settings::badPing, "Filter", "BadPing", kCurrent,
     Bounded("Bad Ping", "Filter", 6, 26, 0, 9999)},
    {&Settings::localOnly, "info", "LocalOnly", kCurrent, Check("Only Local", "Filter", 7, 8)},
    // Beyond the first master and protocol: empty asks nobody more.
    {&Settings::moreMasters, "info", "MoreMasters", IfMissing(kDefaultMoreMasters),
     {.label = "More Masters", .category = "Master Server", .kind = kPropertyText, .position = 27,
      .written = 27}},
    {&Settings::moreProtocols, "quake3", "MoreProtocols", IfMissing(kDefaultMoreProtocols),
     {.label = "More Protocols", .category = "Master Server", .kind = kPropertyText,
      .position = 28, .written = 28}},
    {&Settings::hideBotOnly, "Filter", "HideBotOnly", kCurrent,
     Check("Hide bot-only", kFindingGames, 30, 30)},
    {&Settings::autoRefresh, "info", "AutoRefresh", kCurrent,
     Bounded("Auto Refresh (minutes)", kFindingGames, 31, 31, 0, kMaxAutoRefresh)},
    // Beyond the single status request: retries within a server's wait.
    {&Settings::queryAttempts, "info", "QueryAttempts", kCurrent,
     Bounded("Query Attempts", kFindingGames, 29, 29, 1, kMaxQueryAttempts)},
};
// clang-format on

}  // namespace

std::span<const SettingDesc> SettingsTable() {
  return kTable;
}

}  // namespace vyk
