// The pair and player parses of a status answer, without a network.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/StatusAnswer.h"

namespace vyk {
namespace {

const std::string kHeader = "\xFF\xFF\xFF\xFFstatusResponse\n";

class StatusParseTest : public ::testing::Test {
 protected:
  StatusAnswer answer_;

  std::string Key(int i) const { return answer_.Pair(i).key; }
  std::string Value(int i) const { return answer_.Pair(i).value; }
  // Every kept pair, key and value, in order.
  std::vector<std::pair<std::string, std::string>> Pairs() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; i < answer_.PairCount(); ++i) out.emplace_back(Key(i), Value(i));
    return out;
  }
};

using PairList = std::vector<std::pair<std::string, std::string>>;

TEST_F(StatusParseTest, TypicalAnswerGivesSortedPairsAndPlayers) {
  const std::string answer = kHeader +
                             "\\sv_hostname\\My Server\\mapname\\q3dm17\\g_needpass\\0\n"
                             "12 50 \"^1Player\"\n"
                             "-3 999 \"Bot\"\n";
  EXPECT_EQ(answer_.Parse(answer), 5);
  // The last value loses the player lines after it.
  EXPECT_EQ(Pairs(),
            (PairList{{"g_needpass", "0"}, {"mapname", "q3dm17"}, {"sv_hostname", "My Server"}}));
  EXPECT_EQ(Key(3), "");
  EXPECT_EQ(Value(3), "");

  ASSERT_EQ(answer_.PlayerLineCount(), 2);
  ASSERT_EQ(answer_.Players().Count(), 2);
  EXPECT_EQ(answer_.Players()[0].name, "^1Player");
  EXPECT_EQ(answer_.Players()[0].score, 12);
  EXPECT_EQ(answer_.Players()[0].ping, 50);
  EXPECT_FALSE(answer_.Players()[0].isBuddy);
  EXPECT_EQ(answer_.Players()[1].score, -3);
  EXPECT_EQ(answer_.Players()[1].ping, 999);
}

TEST_F(StatusParseTest, FortyPairsKeepTheFirstThirtyOneInReplyOrderThenSort) {
  // Keys k39 ... k00 so that reply order and sorted order differ.
  std::string info;
  for (int i = 39; i >= 0; --i) {
    char pair[32];
    std::snprintf(pair, sizeof pair, "\\k%02d\\v%02d", i, i);
    info += pair;
  }
  EXPECT_EQ(answer_.ParsePairs(kHeader + info + "\n"), 31);
  // Kept: k39 down to k09, now in ascending order.
  for (int i = 0; i < 31; ++i) {
    char key[8];
    std::snprintf(key, sizeof key, "k%02d", i + 9);
    EXPECT_EQ(Key(i), key);
    EXPECT_EQ(Value(i), "v" + std::string(key + 1));
  }
  EXPECT_EQ(Key(31), "");
}

TEST_F(StatusParseTest, SortIgnoresCaseAndComparesInLowerCase) {
  // In lower case '_' sorts before letters; in upper case it would not.
  answer_.ParsePairs(kHeader + "\\SVA\\1\\sv_b\\2\\Version\\3\\alpha\\4\\version\\5\n");
  // Keys differing only in case are both kept, in reply order.
  EXPECT_EQ(
      Pairs(),
      (PairList{{"alpha", "4"}, {"sv_b", "2"}, {"SVA", "1"}, {"Version", "3"}, {"version", "5"}}));
}

TEST_F(StatusParseTest, EmptyValueShiftsLaterPairs) {
  answer_.ParsePairs(kHeader + "\\mapname\\\\sv_maxclients\\16\n");
  EXPECT_EQ(Pairs(), (PairList{{"16", ""}, {"mapname", "sv_maxclients"}}));
}

TEST_F(StatusParseTest, PlayerLinesNeverBecomePairs) {
  // A trailing key, and a player name holding a backslash.
  answer_.ParsePairs(kHeader + "\\a\\1\\b\n1 2 \"x\\y\"\n");
  EXPECT_EQ(Pairs(), (PairList{{"a", "1"}, {"b", ""}}));
}

TEST_F(StatusParseTest, LongKeysAndValuesAreCut) {
  const std::string key(40, 'k');
  const std::string value(80, 'v');
  answer_.ParsePairs(kHeader + "\\" + key + "\\" + value + "\\a\n");
  // No field follows the last key.
  EXPECT_EQ(Pairs(), (PairList{{"a", ""}, {std::string(31, 'k'), std::string(63, 'v')}}));
}

TEST_F(StatusParseTest, NoBackslashMeansNoPairs) {
  EXPECT_EQ(answer_.Parse(kHeader), 0);
  EXPECT_EQ(answer_.PairCount(), 0);
  EXPECT_EQ(answer_.Players().Count(), 0);
  EXPECT_EQ(answer_.ParsePairs(""), 0);
  EXPECT_EQ(answer_.ParsePairs("\\\\\\\n"), 0);
}

TEST_F(StatusParseTest, OnlyTheFirst3072BytesAreSearchedForPairs) {
  // "c" has its value cut at byte 3072; "d" lies beyond and is never seen.
  std::string answer = kHeader + "\\a\\";
  answer += std::string(3072 - answer.size() - 8, 'x') + "\\c\\abcdefgh\\d\\4\n";
  ASSERT_EQ(answer_.ParsePairs(answer), 2);
  EXPECT_EQ(Pairs(), (PairList{{"a", std::string(63, 'x')}, {"c", "abcde"}}));
}

TEST_F(StatusParseTest, PlayerLinesWithoutANameCountButAddNobody) {
  const std::string answer = kHeader + "\\mapname\\q3dm6\n" +
                             "3 40 \"a\"\n"
                             "5 60 \"\"\n"  // empty name
                             "abc\n"        // nothing read
                             "7\n"          // score only
                             "8 9 noquote\n"
                             "\"quoted only\"\n"
                             "1 2 \"b\"\n";
  EXPECT_EQ(answer_.Parse(answer), 1 + 7);
  EXPECT_EQ(answer_.PlayerLineCount(), 7);
  ASSERT_EQ(answer_.Players().Count(), 2);
  EXPECT_EQ(answer_.Players()[0].name, "a");
  EXPECT_EQ(answer_.Players()[1].name, "b");
  EXPECT_EQ(answer_.Players()[1].score, 1);
  EXPECT_EQ(answer_.Players()[1].ping, 2);
}

TEST_F(StatusParseTest, EmptyLinesAreSkippedBeforeAndBetweenLines) {
  // Header and info string are the first two non-empty lines.
  const std::string answer = "\n" + kHeader + "\n\n\\mapname\\q3dm1\n\n4 30 \"x\"\n\n";
  EXPECT_EQ(answer_.ParsePlayers(answer), 1);
  ASSERT_EQ(answer_.Players().Count(), 1);
  EXPECT_EQ(answer_.Players()[0].name, "x");
  // Fewer than three lines: no players at all.
  EXPECT_EQ(answer_.ParsePlayers(kHeader + "\\a\\b\n"), 0);
  EXPECT_EQ(answer_.Players().Count(), 0);
}

TEST_F(StatusParseTest, NamesAreCutTo32AndNeedNoClosingQuote) {
  const std::string longName(40, 'n');
  const std::string answer = kHeader + "\\a\\b\n1 2 \"" + longName + "\"\n3 4 \"open\n";
  answer_.ParsePlayers(answer);
  ASSERT_EQ(answer_.Players().Count(), 2);
  EXPECT_EQ(answer_.Players()[0].name, std::string(32, 'n'));
  EXPECT_EQ(answer_.Players()[1].name, "open");
}

TEST_F(StatusParseTest, NumbersBeyondTheIntRangeStopAtItsEnds) {
  const std::string answer = kHeader + "\\a\\b\n" +
                             "-2147483649 4294967296 \"wide\"\n"
                             "99999999999999999999 -99999999999999999999 \"huge\"\n" +
                             std::string(400, '9') + " +" + std::string(400, '8') +
                             " \"run\"\n"
                             "2147483647 -2147483648 \"edge\"\n"
                             "- 5 \"signless\"\n";  // a sign alone is no number: nothing read
  ASSERT_EQ(answer_.ParsePlayers(answer), 5);
  ASSERT_EQ(answer_.Players().Count(), 4);
  const NameList& p = answer_.Players();
  EXPECT_EQ(p[0].score, INT32_MIN);
  EXPECT_EQ(p[0].ping, INT32_MAX);
  EXPECT_EQ(p[1].score, INT32_MAX);
  EXPECT_EQ(p[1].ping, INT32_MIN);
  EXPECT_EQ(p[2].name, "run");
  EXPECT_EQ(p[2].score, INT32_MAX);
  EXPECT_EQ(p[2].ping, INT32_MAX);
  EXPECT_EQ(p[3].score, INT32_MAX);
  EXPECT_EQ(p[3].ping, INT32_MIN);
}

TEST_F(StatusParseTest, PlayersHaveNoCountLimit) {
  std::string answer = kHeader + "\\a\\b\n";
  while (answer.size() < 8000) answer += "0 0 \"p\"\n";
  const int lines = answer_.ParsePlayers(answer);
  EXPECT_GT(lines, 900);
  EXPECT_EQ(answer_.Players().Count(), lines);
}

TEST_F(StatusParseTest, TextAfterAZeroByteIsNotSeen) {
  std::string answer = kHeader + "\\mapname\\q3dm17\n1 2 \"a\"\n";
  answer += std::string(1, '\0') + "3 4 \"hidden\"\n\\x\\y\n";
  EXPECT_EQ(answer_.Parse(answer), 2);
  EXPECT_EQ(answer_.PairCount(), 1);
  EXPECT_EQ(answer_.Players().Count(), 1);
}

TEST_F(StatusParseTest, ReparsingReplacesEarlierTables) {
  answer_.Parse(kHeader + "\\a\\1\\b\\2\n1 1 \"p\"\n");
  answer_.Parse(kHeader + "\\c\\3\n");
  EXPECT_EQ(answer_.PairCount(), 1);
  EXPECT_EQ(Key(0), "c");
  EXPECT_EQ(Key(1), "");
  EXPECT_EQ(answer_.Players().Count(), 0);
  EXPECT_EQ(answer_.PlayerLineCount(), 0);
}

TEST_F(StatusParseTest, HostileBytesNeverBreakTheParse) {
  std::string junk;
  unsigned seed = 7;
  for (int round = 0; round < 200; ++round) {
    junk.clear();
    const int length = static_cast<int>(seed % 9000);
    for (int i = 0; i < length; ++i) {
      seed = seed * 1103515245u + 12345u;
      const char alphabet[] = "\\\n\" 0123456789-%abc\xFF";
      junk += alphabet[(seed >> 16) % (sizeof alphabet - 1)];
    }
    answer_.Parse(junk);
    EXPECT_LE(answer_.PairCount(), 31);
    for (int i = 0; i < answer_.PairCount(); ++i) {
      EXPECT_LE(Key(i).size(), 31u);
      EXPECT_LE(Value(i).size(), 63u);
    }
  }
}

}  // namespace
}  // namespace vyk
