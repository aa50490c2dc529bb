#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StatusFakes.h"
#include "config/Clipboard.h"
#include "config/ConfigFile.h"
#include "config/SummaryLine.h"
#include "core/ServerInfo.h"
#include "core/StatusLine.h"

namespace vyk {
namespace {

// Writes [03] for the IRC colour byte so that expected lines read as text.
std::string Irc(std::string text) {
  for (std::size_t at; (at = text.find("[03]")) != std::string::npos;) text.replace(at, 4, "\x03");
  return text;
}

// The answering server of the examples: 10.0.0.5:27960, ping 35, 3 of 16
// players with 2 private slots, q3dm17, "Frag Arena", Q3 1.32.
ServerInfo FragArena(int players = 3) {
  ServerInfo record("10.0.0.5", 27960, "");
  record.info = {{"g_needpass", "0"},
                 {"mapname", "q3dm17"},
                 {"sv_maxclients", "16"},
                 {"sv_privateClients", "2"},
                 {"version", "Q3 1.32 win-x86 Nov 14 2002"}};
  for (int i = 0; i < players; ++i) record.players.Add({"player" + std::to_string(i), 50, i});
  record.ping = 35;
  record.name = "Frag Arena";
  record.queried = true;
  return record;
}

Settings PlainSettings() {
  Settings settings;
  settings.copyIrcFormat = 0;
  return settings;
}

Settings IrcSettings() {
  Settings settings;
  settings.copyIrcFormat = 1;
  return settings;
}

TEST(VersionBanner, PrintsTheLastThreeNumbersRunTogether) {
  EXPECT_EQ(FormatVersionBanner(false, 0, 0, 0, 32), "Vyk Finder ver 0.0032");
  EXPECT_EQ(FormatVersionBanner(true, 0, 0, 0, 32), "^0V^3y^1k^7 Finder ver 0.0032");
  EXPECT_EQ(FormatVersionBanner(false, 1, 2, 10, 3), "Vyk Finder ver 1.2103");
}

TEST(VersionBanner, ComesFromTheBuildVersion) {
  EXPECT_EQ(VersionBanner(false), "Vyk Finder ver 0.0032");
  EXPECT_EQ(VersionBanner(true), "^0V^3y^1k^7 Finder ver 0.0032");
}

TEST(SummaryLine, AnsweringServerMatchesTheExamplesToTheByte) {
  EXPECT_EQ(
      SummaryLine(FragArena(), PlainSettings()),
      "35 ms | 10.0.0.5:27960 | 3/16 | q3dm17 | Frag Arena | Q3 1.32 | Vyk Finder ver 0.0032");
  EXPECT_EQ(SummaryLine(FragArena(), IrcSettings()),
            Irc("[03]3 35 ms[03] |[03]12 10.0.0.5:27960[03] | 3/16 | q3dm17 | Frag Arena | Q3 1.32 "
                "|[03]15 Vyk Finder ver 0.0032[03]"));
}

TEST(SummaryLine, FullServerIsMarkedOnlyInIrcForm) {
  // 14 of 16 with 2 private slots: no public slot left.
  EXPECT_EQ(
      SummaryLine(FragArena(14), IrcSettings()),
      Irc("[03]3 35 ms[03] |[03]12 10.0.0.5:27960[03] | [03]4 14/16[03] | q3dm17 | Frag Arena "
          "| Q3 1.32 |[03]15 Vyk Finder ver 0.0032[03]"));
  EXPECT_EQ(
      SummaryLine(FragArena(14), PlainSettings()),
      "35 ms | 10.0.0.5:27960 | 14/16 | q3dm17 | Frag Arena | Q3 1.32 | Vyk Finder ver 0.0032");
  // 13 leaves one public slot.
  EXPECT_NE(SummaryLine(FragArena(13), IrcSettings()).find(" | 13/16 | "), std::string::npos);
}

TEST(SummaryLine, SlotCountsThatAreNoNumbers) {
  ServerInfo record = FragArena(0);
  record.info[2].value = "junk";  // sv_maxclients that is no number reads as 0
  EXPECT_NE(SummaryLine(record, IrcSettings()).find(" | 0/junk | "), std::string::npos);
  record.players.Add({"one", 0, 0});
  EXPECT_NE(SummaryLine(record, IrcSettings()).find(Irc(" | [03]4 1/junk[03] | ")),
            std::string::npos);
  // Slot counts beyond any integer neither overflow nor make the server full.
  record.info[2].value = "99999999999999999999999";
  record.info[3].value = "-99999999999999999999999";
  EXPECT_NE(SummaryLine(record, IrcSettings()).find(" | 1/99999999999999999999999 | "),
            std::string::npos);
}

TEST(SummaryLine, PingColourFollowsTheThresholds) {
  Settings settings = IrcSettings();
  settings.goodPing = 40;
  settings.badPing = 90;
  ServerInfo record = FragArena();
  const auto pingPiece = [&](int ping) {
    record.ping = ping;
    const std::string line = SummaryLine(record, settings);
    return line.substr(0, line.find(" |"));
  };
  EXPECT_EQ(pingPiece(40), Irc("[03]3 40 ms[03]"));
  EXPECT_EQ(pingPiece(41), Irc("[03]7 41 ms[03]"));
  EXPECT_EQ(pingPiece(89), Irc("[03]7 89 ms[03]"));
  EXPECT_EQ(pingPiece(90), Irc("[03]4 90 ms[03]"));
}

TEST(SummaryLine, PasswordMarkPrecedesTheName) {
  ServerInfo record = FragArena();
  record.info[0].value = "1";
  EXPECT_NE(SummaryLine(record, PlainSettings()).find(" | q3dm17 | (!)Frag Arena | "),
            std::string::npos);
  EXPECT_NE(SummaryLine(record, IrcSettings()).find(Irc(" | q3dm17 | [03]4 (!)[03]Frag Arena | ")),
            std::string::npos);
}

TEST(SummaryLine, NameKeepsItsColourCodes) {
  ServerInfo record = FragArena();
  record.name = "^1Frag ^7Arena";
  EXPECT_NE(SummaryLine(record, PlainSettings()).find(" | ^1Frag ^7Arena | "), std::string::npos);
}

TEST(SummaryLine, SilentOrUnqueriedServerGivesAddressAndBanner) {
  ServerInfo silent("10.0.0.5", 27960, "");
  silent.queried = true;  // queried, ping 9999, no mapname: timed out
  EXPECT_EQ(SummaryLine(silent, PlainSettings()), "10.0.0.5:27960 | Vyk Finder ver 0.0032");
  EXPECT_EQ(SummaryLine(silent, IrcSettings()),
            Irc("[03]12 10.0.0.5:27960[03] |[03]15 Vyk Finder ver 0.0032[03]"));

  const ServerInfo fresh("10.0.0.5", 27950, "");
  EXPECT_EQ(SummaryLine(fresh, PlainSettings()), "10.0.0.5:27950 | Vyk Finder ver 0.0032");
}

class FakeClipboard : public Clipboard {
 public:
  bool SetText(const std::string& text) override {
    texts.push_back(text);
    statusDuringCopy = statusLine ? *statusLine : "";
    return succeed;
  }
  std::vector<std::string> texts;
  bool succeed = true;
  const std::string* statusLine = nullptr;
  std::string statusDuringCopy;
};

TEST(CopyTextToClipboard, HandsOverTheExactBytesAndAnnouncesItself) {
  test::RecordingStatus status;
  FakeClipboard clipboard;
  clipboard.statusLine = &status.text;

  const std::string line = SummaryLine(FragArena(), IrcSettings()) + std::string("\xE9", 1);
  CopyTextToClipboard(clipboard, line);
  ASSERT_EQ(clipboard.texts.size(), 1u);
  EXPECT_EQ(clipboard.texts[0], line);
  EXPECT_EQ(clipboard.statusDuringCopy, "  Copying info to clipboard");
  EXPECT_EQ(status.text, "  Ready");

  // A clipboard held elsewhere: nothing reported, the status comes back.
  clipboard.succeed = false;
  CopyTextToClipboard(clipboard, "x");
  EXPECT_EQ(status.text, "  Ready");
}

}  // namespace
}  // namespace vyk
