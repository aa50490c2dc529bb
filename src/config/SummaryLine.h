#pragma once
// The one-line description of a server that goes to the clipboard, and the
// version banner that ends it.
#include <string>

namespace vyk {

class ServerInfo;
struct Settings;

// IRC colour numbers used in the description.
inline constexpr int kIrcGoodPing = 3;
inline constexpr int kIrcBad = 4;  // bad ping, full server, password needed
inline constexpr int kIrcMiddlePing = 7;
inline constexpr int kIrcAddress = 12;
inline constexpr int kIrcBanner = 15;

// 0x03, the number, a blank, the text, 0x03.
std::string IrcColor(int color, const std::string& text);

// "Vyk Finder ver %d.%d%d%d", or with the game's colour codes on the name.
std::string FormatVersionBanner(bool coloured, int major, int minor, int build, int revision);
// The banner of this build's version.
std::string VersionBanner(bool coloured);

// One line describing the record as its last status answer left it; IRC
// colour codes when settings.copyIrcFormat is on.
std::string SummaryLine(const ServerInfo& record, const Settings& settings);

}  // namespace vyk
