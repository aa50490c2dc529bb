#include <gtest/gtest.h>

#include "core/ColourCodes.h"

namespace vyk {
namespace {

// Every character 10 wide except 'i' (3) and bytes above 127 (7).
int Width(unsigned char c) {
  return c == 'i' ? 3 : (c > 127 ? 7 : 10);
}

ColourTextLayout Lay(const std::string& text, int left = 0, int top = 0, int height = 20) {
  return LayoutColourText(text, left, top, height, Width);
}

std::string Drawn(const ColourTextLayout& l) {
  std::string s;
  for (const ColourTextOp& op : l.ops)
    if (op.kind == ColourTextOp::Kind::Character) s += static_cast<char>(op.ch);
  return s;
}

TEST(StripColourCodes, RemovesEveryDigitCodeOnePassPerDigit) {
  EXPECT_EQ(StripColourCodes("^1R^2e^3d^0W^4o^5r^6l^7d^8!^9?"), "RedWorld!?");
  EXPECT_EQ(StripColourCodes("^^12"), "");  // the ^1 pass joins ^ and 2 for the ^2 pass
  // A removal that joins ^ and 1 during the ^1 pass is not removed again by that pass.
  EXPECT_EQ(StripColourCodes("^^11"), "^1");
  EXPECT_EQ(StripColourCodes("^a^^b^"), "^a^^b^");
  EXPECT_EQ(StripColourCodes("say \"hi\""), "say \"hi\"");
  EXPECT_EQ(StripColourCodes("\\xxxxxB^1Bob"), "\\xxxxxBBob");
  EXPECT_EQ(StripColourCodes(""), "");
}

TEST(LayoutColourText, PlainTextAdvancesOneCharacterAtATime) {
  const ColourTextLayout l = Lay("Aib", 5, 7);
  ASSERT_EQ(l.ops.size(), 3u);
  EXPECT_EQ(l.ops[0].x, 5);
  EXPECT_EQ(l.ops[1].x, 15);
  EXPECT_EQ(l.ops[2].x, 18);
  for (const ColourTextOp& op : l.ops) {
    EXPECT_EQ(op.y, 7);
    EXPECT_EQ(op.colour, MakeColor(200, 200, 200));  // text starts in the ^7 colour
  }
  EXPECT_EQ(l.left, 28);
}

TEST(LayoutColourText, CaretsThatAreNotCodesAreDrawn) {
  EXPECT_EQ(Drawn(Lay("ab^")), "ab^");
  EXPECT_EQ(Drawn(Lay("^a")), "^a");
  const ColourTextLayout l = Lay("^^1x");
  ASSERT_EQ(l.ops.size(), 2u);
  EXPECT_EQ(l.ops[0].ch, '^');
  EXPECT_EQ(l.ops[0].colour, kColourTextStart);
  EXPECT_EQ(l.ops[1].ch, 'x');
  EXPECT_EQ(l.ops[1].colour, MakeColor(255, 0, 0));
}

TEST(LayoutColourText, PaletteIncludingEightAndNine) {
  const ColourTextLayout l = Lay("^0a^3b^4c^5d^6e^8f^9g");
  ASSERT_EQ(l.ops.size(), 7u);
  EXPECT_EQ(l.ops[0].colour, MakeColor(128, 128, 128));
  EXPECT_EQ(l.ops[1].colour, MakeColor(220, 190, 20));
  EXPECT_EQ(l.ops[2].colour, MakeColor(0, 0, 230));
  EXPECT_EQ(l.ops[3].colour, MakeColor(0, 160, 160));
  EXPECT_EQ(l.ops[4].colour, MakeColor(160, 0, 160));
  EXPECT_EQ(l.ops[5].colour, MakeColor(255, 0, 0));
  EXPECT_EQ(l.ops[6].colour, MakeColor(0, 120, 0));
}

TEST(LayoutColourText, CodesOnlyDrawNothingAndKeepTheLeftEdge) {
  const ColourTextLayout l = Lay("^1^2^3", 42);
  EXPECT_TRUE(l.ops.empty());
  EXPECT_EQ(l.left, 42);
}

TEST(LayoutColourText, DoubleQuotesAreSkipped) {
  const ColourTextLayout l = Lay("a\"b\"");
  EXPECT_EQ(Drawn(l), "ab");
  EXPECT_EQ(l.ops[1].x, 10);
  EXPECT_EQ(l.left, 20);
}

TEST(LayoutColourText, DotMarkersDrawAtTheSameEdgeAndSetTheIndent) {
  // Two markers in a row: both dots at the unchanged left edge; the indent is set, not added.
  const ColourTextLayout l = Lay("\\xxxxxB\\yyyyyRa", 4, 10, 21);
  ASSERT_EQ(l.ops.size(), 3u);
  const int dot = 21 / 2;
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(l.ops[i].kind, ColourTextOp::Kind::Dot);
    EXPECT_EQ(l.ops[i].x, 4);
    EXPECT_EQ(l.ops[i].y, 10 + (21 - dot) / 2);
    EXPECT_EQ(l.ops[i].size, dot);
  }
  EXPECT_EQ(l.ops[0].colour, MakeColor(0, 0, 230));
  EXPECT_EQ(l.ops[1].colour, MakeColor(255, 0, 0));
  EXPECT_EQ(l.ops[2].x, 4 + dot + 3);
  EXPECT_EQ(l.left, 14);  // a dot does not advance the edge; the character does
}

TEST(LayoutColourText, MarkerSelectorsOtherThanDots) {
  // S is magenta; D resets the indent; any other selector indents without a dot.
  ColourTextLayout l = Lay("\\xxxxxSa\\xxxxxDb");
  ASSERT_EQ(l.ops.size(), 3u);
  EXPECT_EQ(l.ops[0].colour, MakeColor(160, 0, 160));
  EXPECT_EQ(l.ops[1].x, 13);
  EXPECT_EQ(l.ops[2].x, 10);
  l = Lay("\\xxxxxQa");
  ASSERT_EQ(l.ops.size(), 1u);
  EXPECT_EQ(l.ops[0].x, 13);
}

TEST(LayoutColourText, ShortMarkerAtTheEndStopsDrawing) {
  const ColourTextLayout l = Lay("ab\\xyzB");  // five characters after the backslash
  EXPECT_EQ(Drawn(l), "ab");
  EXPECT_EQ(l.left, 20);
  EXPECT_EQ(Drawn(Lay("a\\")), "a");
}

TEST(LayoutColourText, HighBytesAdvanceByTheirOwnWidth) {
  const ColourTextLayout l =
      Lay("\xE9\xFF"
          "a");
  ASSERT_EQ(l.ops.size(), 3u);
  EXPECT_EQ(l.ops[0].ch, 0xE9);
  EXPECT_EQ(l.ops[1].x, 7);
  EXPECT_EQ(l.ops[2].x, 14);
}

TEST(CompareColourNames, OnlyLeadingLettersOfTheStrippedNameCount) {
  EXPECT_EQ(CompareColourNames("^1Neo1", "Neo 2"), 0);
  EXPECT_EQ(CompareColourNames("^1Neo", "^4Neo"), 0);
  EXPECT_EQ(CompareColourNames("1abc", " zz"), 0);  // both sort as empty
  EXPECT_LT(CompareColourNames("1abc", "a"), 0);
  EXPECT_LT(CompareColourNames("Zed", "abe"), 0);  // upper case first
  EXPECT_GT(CompareColourNames("bob", "Bob"), 0);
  EXPECT_LT(CompareColourNames("Al", "Alice"), 0);
}

}  // namespace
}  // namespace vyk
