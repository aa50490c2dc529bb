#include "config/SummaryLine.h"

#include <cstdint>
#include <cstdio>

#include "VersionInfo.h"
#include "config/ConfigFile.h"
#include "core/ServerCellColor.h"
#include "core/ServerInfo.h"

namespace vyk {
namespace {

std::string PingText(std::int32_t ping) {
  return std::to_string(ping) + " ms";
}

// The colours of the list's ping cell, in IRC's numbers.
int PingColor(std::int32_t ping, const Settings& settings) {
  const PingGrade grade = GradePing(ping, settings);
  if (grade == PingGrade::kGood) return kIrcGoodPing;
  return grade == PingGrade::kBad ? kIrcBad : kIrcMiddlePing;
}

}  // namespace

std::string IrcColor(int color, const std::string& text) {
  return '\x03' + std::to_string(color) + ' ' + text + '\x03';
}

std::string FormatVersionBanner(bool coloured, int major, int minor, int build, int revision) {
  // The last three numbers run together, as the banner always showed them.
  char buffer[96];
  std::snprintf(buffer, sizeof buffer,
                coloured ? "^0V^3y^1k^7 Finder ver %d.%d%d%d" : "Vyk Finder ver %d.%d%d%d", major,
                minor, build, revision);
  return buffer;
}

std::string VersionBanner(bool coloured) {
  return FormatVersionBanner(coloured, kVersionMajor, kVersionMinor, kVersionPatch, kVersionBuild);
}

std::string SummaryLine(const ServerInfo& record, const Settings& settings) {
  const bool irc = settings.copyIrcFormat != 0;
  const std::string banner = VersionBanner(false);

  if (!record.queried || record.IsTimedOut()) {
    if (!irc) return record.Address() + " | " + banner;
    return IrcColor(kIrcAddress, record.Address()) + " |" + IrcColor(kIrcBanner, banner);
  }

  const std::string maxText = record.InfoValue("sv_maxclients");
  const std::string players = std::to_string(record.PlayerCount()) + "/" + maxText;
  // The name goes out as stored, colour codes included.
  const std::string& name = record.name;

  std::string line;
  if (!irc) {
    line = PingText(record.ping) + " | " + record.Address() + " | " + players + " | ";
    line += record.InfoValue("mapname") + " | ";
    if (record.NeedsPassword()) line += "(!)";
    line += name + " | " + record.VersionText() + " | " + banner;
    return line;
  }

  // Full as the players cell is painted: private slots are not free.
  const bool full = FillsPublicSlots(record);
  line = IrcColor(PingColor(record.ping, settings), PingText(record.ping));
  line += " |" + IrcColor(kIrcAddress, record.Address());
  line += " | " + (full ? IrcColor(kIrcBad, players) : players) + " | ";
  line += record.InfoValue("mapname") + " | ";
  if (record.NeedsPassword()) line += IrcColor(kIrcBad, "(!)");
  line += name + " | " + record.VersionText() + " |" + IrcColor(kIrcBanner, banner);
  return line;
}

}  // namespace vyk
