#pragma once
// The settings the program reads, as values. config/ loads and stores them in Config.ini.
#include <cstdint>
#include <string>

#include "core/AnswerWait.h"

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
inline constexpr const char* kDefaultMoreMasters =
    "directory.ioquake3.org:27950 dpmaster.deathmask.net:27950";
inline constexpr const char* kDefaultMoreProtocols = "68 71";

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
  bool hideTimeOut = true;
  bool hideFull = false;
  bool hideEmpty = false;
  bool onlyBuddy = false;
  bool hideBotOnly = false;
  std::int32_t maxPing = 9999;
  bool useFsGame = false;
  bool addOnDirectRun = true;
  bool switchProtocol = true;
  std::int32_t lastServerSort = 4;
  std::string param;
  std::string aliasListPath;
  bool useAlias = true;
  bool copyIrcFormat = true;
  std::int32_t goodPing = 40;
  std::int32_t badPing = 90;
  bool displayOnReload = true;
  bool minimize = true;
  bool localOnly = false;
  // Blank-separated; empty: none. A Config.ini without the key gets the
  // kDefaultMore... lists; a value made in code asks the one master only.
  std::string moreMasters;    // host[:port] or [IPv6]:port
  std::string moreProtocols;  // numbers
  std::int32_t autoRefresh = 0;  // minutes between refreshes of their own; 0: none
  // Status requests to a server that has not answered, within its wait; 1 is
  // the single request of old.
  std::int32_t queryAttempts = kDefaultQueryAttempts;

  bool operator==(const Settings&) const = default;
};

}  // namespace vyk
