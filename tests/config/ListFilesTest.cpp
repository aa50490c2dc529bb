#include <gtest/gtest.h>

#include <string>

#include "TestHome.h"
#include "config/AliasList.h"
#include "config/BuddyList.h"
#include "config/ConfigFile.h"
#include "config/ListFile.h"
#include "config/ServerListFile.h"
#include "core/ServerCache.h"

namespace vyk {
namespace {

class ListFilesTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (home_.Path() / name).string(); }
  void Write(const std::string& name, const std::string& bytes) {
    test::WriteFile(home_.Path() / name, bytes);
  }
  std::string Read(const std::string& name) const { return test::ReadFile(home_.Path() / name); }

  test::TestHome home_;
};

TEST_F(ListFilesTest, LinesAreReadInPiecesWithCrLfAsOneBreak) {
  const std::string longLine(2100, 'x');
  Write("l.vyk", "a\r\nb\n\n" + longLine + "\r\n" + std::string(1023, 'y') + "\nlast\rline");
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadListFileLines(PathOf("l.vyk"), lines));
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0], "a");
  EXPECT_EQ(lines[1], "b");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], std::string(1023, 'x'));
  EXPECT_EQ(lines[4], std::string(1023, 'x'));
  EXPECT_EQ(lines[5], std::string(54, 'x'));
  EXPECT_EQ(lines[6], std::string(1023, 'y'));
  EXPECT_EQ(lines[7], "");            // the break after a full piece reads as an empty line
  EXPECT_EQ(lines[8], "last\rline");  // a lone CR is text
  EXPECT_FALSE(ReadListFileLines(PathOf("missing.vyk"), lines));
  EXPECT_TRUE(lines.empty());
}

TEST_F(ListFilesTest, ServerListLinesBecomeUniqueRecords) {
  SetCachedName("10.0.0.5:1234", "Cached Name");
  Write("server.vyk",
        "10.0.0.5\r\n  10.0.0.5:1234  \n\n   \n10.0.0.6:abc\n10.0.0.7:0\n10.0.0.5:1234\n");
  ServerList list;
  ASSERT_TRUE(LoadServerListFile(list, true, PathOf("server.vyk")));
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.At(0).Address(), "10.0.0.5:27960");
  EXPECT_EQ(list.At(1).Address(), "10.0.0.5:1234");
  EXPECT_EQ(list.At(1).name, "Cached Name");
  EXPECT_EQ(list.At(2).Address(), "10.0.0.6:27960");
  EXPECT_EQ(list.At(3).Address(), "10.0.0.7:27960");
  EXPECT_EQ(list.At(0).name, "-");
  EXPECT_FALSE(list.At(0).queried);
}

TEST_F(ListFilesTest, ServerListRoundTripAndClearFirst) {
  ServerList list;
  list.Add(ServerInfo("10.0.0.9", 27961));
  list.Add(ServerInfo("q3.example.org", 27960));
  Settings settings;
  settings.serverListPath = PathOf("server.vyk");
  ASSERT_TRUE(SaveServerList(list, settings));
  EXPECT_EQ(Read("server.vyk"), test::NewFileLines("10.0.0.9:27961\nq3.example.org:27960\n"));

  ServerList loaded;
  loaded.Add(ServerInfo("1.2.3.4", 5));
  ASSERT_TRUE(LoadServerListFile(loaded, false, settings));
  ASSERT_EQ(loaded.Count(), 3);
  EXPECT_EQ(loaded.At(0).Address(), "1.2.3.4:5");
  ASSERT_TRUE(LoadServerListFile(loaded, true, settings));
  ASSERT_EQ(loaded.Count(), 2);
  EXPECT_EQ(loaded.At(0).Address(), "10.0.0.9:27961");
  EXPECT_EQ(loaded.At(1).Address(), "q3.example.org:27960");
}

TEST_F(ListFilesTest, UnreadableOrUnwritableServerListChangesNothing) {
  ServerList list;
  list.Add(ServerInfo("1.2.3.4", 5));
  EXPECT_FALSE(LoadServerListFile(list, false, PathOf("missing.vyk")));
  EXPECT_EQ(list.Count(), 1);
  EXPECT_FALSE(LoadServerListFile(list, true, PathOf("missing.vyk")));
  EXPECT_EQ(list.Count(), 0);  // cleared, as asked, even though nothing was read
  list.Add(ServerInfo("1.2.3.4", 5));
  EXPECT_FALSE(SaveServerListFile(list, PathOf("no/such/dir/server.vyk")));
}

TEST_F(ListFilesTest, BuddyFileKeepsTrimmedNonEmptyNames) {
  Write("player.vyk", "  bob  \r\n\n\t\nAlice\n" + std::string(1500, 'z') + "\n");
  BuddyList buddies;
  buddies.Add({"stale", 0, 0, false});
  ASSERT_TRUE(buddies.Load(PathOf("player.vyk")));
  ASSERT_EQ(buddies.Count(), 4);
  EXPECT_EQ(buddies[0].name, "bob");
  EXPECT_EQ(buddies[1].name, "Alice");
  EXPECT_EQ(buddies[2].name.size(), 1023u);
  EXPECT_EQ(buddies[3].name.size(), 477u);

  buddies.Add({"bob", 0, 0, false});  // the buddy list keeps duplicates
  ASSERT_TRUE(buddies.Save(PathOf("copy.vyk")));
  BuddyList again;
  ASSERT_TRUE(again.Load(PathOf("copy.vyk")));
  ASSERT_EQ(again.Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(again[i].name, buddies[i].name);

  EXPECT_FALSE(again.Load(PathOf("missing.vyk")));
  EXPECT_EQ(again.Count(), 0);
}

TEST_F(ListFilesTest, AliasEditingAndTheChosenAlias) {
  AliasList aliases;
  EXPECT_EQ(aliases.ChosenAlias().name, "");
  EXPECT_EQ(aliases.AddAlias("Neo"), 0);
  EXPECT_EQ(aliases.AddAlias("neo"), 1);  // letter case counts
  EXPECT_EQ(aliases.AddAlias("Neo"), 0);
  EXPECT_EQ(aliases.AddAlias(""), -1);
  EXPECT_EQ(aliases.AddAlias("^1Trin"), 2);
  EXPECT_EQ(aliases.FindAlias("NEO"), -1);

  aliases.ChooseAlias(2);
  EXPECT_EQ(aliases.ChosenAlias().name, "^1Trin");
  EXPECT_EQ(ReadRawProfileString("info", "LastAlias"), "^1Trin");
  aliases.RemoveAlias("Neo");  // the choice follows its alias
  EXPECT_EQ(aliases.ChosenAlias().name, "^1Trin");
  aliases.RemoveAlias("^1Trin");
  EXPECT_EQ(aliases.Chosen(), -1);
  aliases.RemoveAlias("nobody");
  EXPECT_EQ(aliases.Count(), 1);

  aliases.ChooseAlias(0);
  aliases.ChooseAlias(5);
  EXPECT_EQ(aliases.Chosen(), -1);
  EXPECT_EQ(ReadRawProfileString("info", "LastAlias"), "");
  aliases.ChooseAlias(-4);
  EXPECT_EQ(aliases.Chosen(), -1);
}

TEST_F(ListFilesTest, AliasLoadChoosesLastAliasAndSaveStoresIt) {
  Write("Alias.vyk", "Neo\n ^1Trin \n\nneo\n");
  WriteProfileString("info", "LastAlias", "^1Trin");
  AliasList aliases;
  ASSERT_TRUE(aliases.Load(PathOf("Alias.vyk")));
  ASSERT_EQ(aliases.Count(), 3);
  EXPECT_EQ(aliases.ChosenAlias().name, "^1Trin");

  aliases.ChooseAlias(2);
  ASSERT_TRUE(aliases.Save(PathOf("Alias.vyk")));
  EXPECT_EQ(Read("Alias.vyk"), test::NewFileLines("Neo\n^1Trin\nneo\n"));
  EXPECT_EQ(ReadRawProfileString("info", "LastAlias"), "neo");

  // LastAlias is stored even when the file cannot be written.
  aliases.ChooseAlias(0);
  WriteProfileString("info", "LastAlias", "other");
  EXPECT_FALSE(aliases.Save(PathOf("no/dir/Alias.vyk")));
  EXPECT_EQ(ReadRawProfileString("info", "LastAlias"), "Neo");

  // A LastAlias that names no alias makes no new choice.
  WriteProfileString("info", "LastAlias", "Morpheus");
  ASSERT_TRUE(aliases.Load(PathOf("Alias.vyk")));
  EXPECT_EQ(aliases.ChosenAlias().name, "Neo");

  // Without the file the list is empty and nothing is chosen.
  AliasList fresh;
  EXPECT_FALSE(fresh.Load(PathOf("missing.vyk")));
  EXPECT_EQ(fresh.Count(), 0);
  EXPECT_EQ(fresh.ChosenAlias().name, "");
}

}  // namespace
}  // namespace vyk
