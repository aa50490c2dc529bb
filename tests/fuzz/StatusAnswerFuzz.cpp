// A game server's status answer, as the status exchange hands it over: the
// pair and player parses, the record filled from them the way
// ServerInfo::Query fills it, and what is shown or printed from that record
// (cells, JSON, the summary line, the game's command line). The server cache
// the record's name goes to is a file of the fuzz run's own directory.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "config/SummaryLine.h"
#include "core/BuddyMatch.h"
#include "core/QuerySocket.h"
#include "core/ServerCache.h"
#include "core/ServerColumns.h"
#include "core/ServerFilter.h"
#include "core/ServerInfo.h"
#include "core/ServerJson.h"
#include "core/ServerList.h"
#include "core/Settings.h"
#include "core/StatusAnswer.h"
#include "core/TextEncoding.h"
#include "launch/ConnectCommandLine.h"
#include "platform/ProcessStart.h"

namespace {

using namespace vyk;

unsigned char LowerAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Key order of the pair table: case-insensitive, unsigned bytes.
bool KeyNotAfter(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = LowerAscii(static_cast<unsigned char>(a[i]));
    const unsigned char y = LowerAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() <= b.size();
}

bool HasAny(const std::string& text, std::string_view chars) {
  return text.find_first_of(chars) != std::string::npos;
}

int Sign(int value) {
  return (value > 0) - (value < 0);
}

// One parser serves every run, as its tables must start afresh each time.
StatusAnswer& Parser() {
  static StatusAnswer parser;
  return parser;
}

void CheckParse(const StatusAnswer& status, int parsed) {
  FUZZ_CHECK(status.PairCount() >= 0 && status.PairCount() <= StatusAnswer::kMaxPairs);
  FUZZ_CHECK(parsed == status.PairCount() + status.PlayerLineCount());
  const std::string_view fieldEnds("\\\n\0", 3);
  for (int i = 0; i < status.PairCount(); ++i) {
    const StatusAnswer::PairSlot& slot = status.Pair(i);
    FUZZ_CHECK(!slot.key.empty() && slot.key.size() <= StatusAnswer::kMaxKey);
    FUZZ_CHECK(slot.value.size() <= StatusAnswer::kMaxValue);
    FUZZ_CHECK(!HasAny(slot.key, fieldEnds) && !HasAny(slot.value, fieldEnds));
    if (i > 0) FUZZ_CHECK(KeyNotAfter(status.Pair(i - 1).key, slot.key));
  }
  for (int i = status.PairCount(); i <= StatusAnswer::kPairSlots; ++i)
    FUZZ_CHECK(status.Pair(i).key.empty() && status.Pair(i).value.empty());

  const NameList& players = status.Players();
  FUZZ_CHECK(players.Count() <= status.PlayerLineCount());
  for (int i = 0; i < players.Count(); ++i) {
    const std::string& name = players[i].name;
    FUZZ_CHECK(!name.empty() && name.size() <= StatusAnswer::kMaxPlayerName);
    FUZZ_CHECK(!HasAny(name, std::string_view("\"\n\0", 3)));
  }
}

// How a name stored in the server cache reads back: line breaks become
// blanks and blanks at either end go.
std::string CachedFormOf(const std::string& name) {
  std::string stored = name;
  for (char& c : stored)
    if (c == '\r' || c == '\n') c = ' ';
  const std::size_t first = stored.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return stored.substr(first, stored.find_last_not_of(" \t") - first + 1);
}

ServerInfo RecordFrom(const StatusAnswer& status, std::int32_t ping) {
  ServerInfo record(kDefaultHost, kDefaultPort, "");
  record.TakeAnswer(status, ping);
  const std::string hostname = record.InfoValue("sv_hostname");
  if (!hostname.empty()) {
    FUZZ_CHECK(record.name == hostname);
    FUZZ_CHECK(GetCachedName(record.Address()) == CachedFormOf(hostname));
  }
  return record;
}

void CheckRecord(ServerInfo& record) {
  const std::string version = record.InfoValue("version");
  const std::string shown = record.VersionText();
  FUZZ_CHECK(version.compare(0, shown.size(), shown) == 0);
  FUZZ_CHECK(record.NeedsPassword() == (record.InfoValue("g_needpass") == "1"));

  for (int column = -1; column <= kServerColumnCount; ++column) {
    const std::string cell = ServerCellText(record, column);
    if (column < 0 || column >= kServerColumnCount) FUZZ_CHECK(cell.empty());
  }
  FUZZ_CHECK(ServerCellText(record, 3) == record.InfoValue("mapname"));

  const std::string printable = PrintableText(record.name);
  FUZZ_CHECK(vyk::fuzz::IsValidUtf8(printable));
  for (char c : printable) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);

  NameList buddies;
  for (const char* fragment : {"vyk", "a", "^", "PLAYER"}) buddies.Add({fragment, 0, 0, false});
  const int buddyCount = CountBuddies(record.players, buddies);
  int marked = 0;
  for (int i = 0; i < record.PlayerCount(); ++i) marked += record.players[i].isBuddy ? 1 : 0;
  FUZZ_CHECK(buddyCount == marked && buddyCount <= record.PlayerCount());
  record.buddyCount = buddyCount;

  Settings settings;
  settings.hideFull = 1;
  settings.hideEmpty = 1;
  settings.onlyBuddy = 1;
  (void)PassesFilters(record, settings);

  // Sort keys: a record equals itself and compares opposite ways with another.
  ServerInfo silent(kDefaultHost, 27961, "");
  silent.queried = true;
  for (int key = 0; key <= kSortNone; ++key) {
    FUZZ_CHECK(Compare(record, record, key) == 0);
    FUZZ_CHECK(Sign(Compare(record, silent, key)) == -Sign(Compare(silent, record, key)));
  }

  for (int irc = 0; irc <= 1; ++irc) {
    settings.copyIrcFormat = irc;
    const std::string line = SummaryLine(record, settings);
    FUZZ_CHECK(line.find(VersionBanner(false)) != std::string::npos);
  }

  // The server chooses "gamename": it may become fs_game, but never more
  // than the one argument after "+set fs_game".
  settings.useFsGame = 1;
  settings.useAlias = 0;
  const std::vector<std::string> args =
      SplitCommandLine(BuildConnectCommandLine(record, "", settings, ""));
  const std::string mod = record.InfoValue("gamename");
  if (IsPlainFolderName(mod)) {
    FUZZ_CHECK(args ==
               (std::vector<std::string>{"+set", "fs_game", mod, "+connect", record.Address()}));
    FUZZ_CHECK(mod.find('+') == std::string::npos);
  } else {
    FUZZ_CHECK(args == (std::vector<std::string>{"+connect", record.Address()}));
  }
}

void CheckJson(const ServerInfo& record) {
  ServerList list;
  list.Add(record);
  const std::string text = ServersJson(list, {0, 1});
  FUZZ_CHECK(vyk::fuzz::IsValidUtf8(text));
  const nlohmann::json doc = nlohmann::json::parse(text);
  const nlohmann::json& server = doc.at("servers").at(0);
  FUZZ_CHECK(server.at("players").size() == static_cast<std::size_t>(record.PlayerCount()));
  for (int i = 0; i < record.PlayerCount(); ++i) {
    const nlohmann::json& player = server.at("players").at(static_cast<std::size_t>(i));
    FUZZ_CHECK(player.at("name").get<std::string>() == Latin1ToUtf8(record.players[i].name));
    FUZZ_CHECK(player.at("score").get<std::int32_t>() == record.players[i].score);
  }
  FUZZ_CHECK(server.at("info").size() <= record.info.size());
  for (const InfoPair& pair : record.info)
    FUZZ_CHECK(server.at("info").contains(Latin1ToUtf8(pair.key)));
  FUZZ_CHECK(server.at("map").get<std::string>() == Latin1ToUtf8(record.InfoValue("mapname")));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vyk::fuzz::FuzzHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exchange keeps at most this much of an answer.
  if (size > static_cast<std::size_t>(QuerySocket::kMaxAnswer)) return -1;
  const std::string_view answer = vyk::fuzz::Bytes(data, size);

  StatusAnswer& status = Parser();
  const int parsed = status.Parse(answer);
  CheckParse(status, parsed);
  // The parses start afresh each time: a second run gives the same tables.
  const int pairs = status.PairCount();
  FUZZ_CHECK(status.Parse(answer) == parsed && status.PairCount() == pairs);

  // A record that answered and one that timed out (no ping, maybe no map).
  for (std::int32_t ping : {static_cast<std::int32_t>(size % 400), kNoPing}) {
    ServerInfo record = RecordFrom(status, ping);
    FUZZ_CHECK(record.IsTimedOut() == (ping >= kNoPing && record.InfoValue("mapname").empty()));
    CheckRecord(record);
    CheckJson(record);
  }
  return 0;
}
