#include <gtest/gtest.h>

#include "config/PropertyRows.h"

namespace vyk {
namespace {

constexpr int kCaption = 18;  // rows 20 high, 19 apart

PropertyRows MakeRows(int count) {
  PropertyRows rows;
  for (int i = 1; i <= count; ++i) {
    PropertyItemDesc d;
    d.label = "row " + std::to_string(i);
    d.kind = i == 1 ? kPropertyCategory : kPropertyCheck;
    rows.AddItem(d);
  }
  return rows;
}

TEST(PropertyRows, RowsShareBorderLinesAndStopThreePixelsShortOfTheBottom) {
  PropertyRows rows = MakeRows(30);
  // Row k (0-based) spans 19k to 19k + 20; it is drawn when 19k + 23 <= height.
  rows.Layout(200, 23 + 19 * 4, kCaption);
  EXPECT_EQ(rows.ShownCount(), 5);
  EXPECT_EQ(rows.Capacity(), 5);
  const PropertyItem& second = rows.Items()[1];
  EXPECT_EQ(second.rowRect, (PropertyRect{0, 19, 200, 39}));
  EXPECT_EQ(second.labelRect, (PropertyRect{2, 19, 70, 39}));
  EXPECT_EQ(second.valueRect, (PropertyRect{70, 20, 200 - kCaption, 39}));
  EXPECT_EQ(second.buttonRect, PropertyRect{});  // only file rows have one
  EXPECT_TRUE(rows.Items()[4].shown);
  EXPECT_FALSE(rows.Items()[5].shown);
  rows.Layout(200, 23 + 19 * 4 - 1, kCaption);  // one pixel less: the fifth row goes
  EXPECT_EQ(rows.ShownCount(), 4);
}

TEST(PropertyRows, ScrollingStaysBetweenTheFirstRowAndTheLastPosition) {
  PropertyRows rows = MakeRows(12);
  rows.Layout(200, 23 + 19 * 4, kCaption);  // 5 rows shown
  ASSERT_EQ(rows.ShownCount(), 5);
  EXPECT_EQ(rows.LastPosition(), 8);
  EXPECT_EQ(rows.Scroll(PropertyScroll::kLineUp), 1);
  EXPECT_EQ(rows.Scroll(PropertyScroll::kPageDown), 5);  // shown - 1
  EXPECT_EQ(rows.ScrollPosition(), 4);
  EXPECT_EQ(rows.Scroll(PropertyScroll::kPageDown), 8);
  EXPECT_EQ(rows.Scroll(PropertyScroll::kLineDown), 8);  // last position: no move
  EXPECT_FALSE(rows.Items()[6].shown);                   // rows above the first are hidden
  EXPECT_TRUE(rows.Items()[7].shown);
  EXPECT_EQ(rows.Items()[7].rowRect.top, 0);
  EXPECT_EQ(rows.Scroll(PropertyScroll::kTop), 1);
  EXPECT_EQ(rows.Scroll(PropertyScroll::kLineDown), 2);
  EXPECT_EQ(rows.Scroll(PropertyScroll::kPageUp), 1);  // from row 2 to row 1
  EXPECT_EQ(rows.Scroll(PropertyScroll::kBottom), 8);
  EXPECT_EQ(rows.Scroll(PropertyScroll::kThumb, 2), 3);
  EXPECT_EQ(rows.Scroll(PropertyScroll::kThumb, 12), 8);  // the thumb's far end
  EXPECT_EQ(rows.Scroll(PropertyScroll::kThumb, -5), 1);

  // Fewer rows than fit: nothing to scroll.
  PropertyRows few = MakeRows(3);
  few.Layout(200, 400, kCaption);
  EXPECT_EQ(few.Scroll(PropertyScroll::kPageDown), 1);
  PropertyRows none;
  none.Layout(200, 400, kCaption);
  EXPECT_EQ(none.Scroll(PropertyScroll::kBottom), 1);
}

TEST(PropertyRows, HitTestFindsValueAreasAndFileButtonsOfShownRowsOnly) {
  PropertyRows rows;
  PropertyItemDesc d;
  d.label = "Path";
  d.kind = kPropertyFile;
  rows.AddItem(d);
  d.label = "Flag";
  d.kind = kPropertyCheck;
  rows.AddItem(d);
  rows.Layout(200, 23, kCaption);  // only the first row fits
  EXPECT_EQ(rows.Items()[0].buttonRect, (PropertyRect{182, 1, 200, 19}));
  PropertyHit hit = rows.HitTest(100, 10);
  EXPECT_EQ(hit.id, 1);
  EXPECT_EQ(hit.area, PropertyArea::kValue);
  hit = rows.HitTest(190, 10);
  EXPECT_EQ(hit.id, 1);
  EXPECT_EQ(hit.area, PropertyArea::kButton);
  EXPECT_EQ(rows.HitTest(20, 10).id, 0);   // label
  EXPECT_EQ(rows.HitTest(100, 0).id, 0);   // top border line
  EXPECT_EQ(rows.HitTest(100, 25).id, 0);  // the hidden second row
}

TEST(PropertyRows, NumbersOutsideTheirBoundsAreRefusedAndTheRowKeepsItsValue) {
  PropertyRows rows;
  PropertyItemDesc d;
  d.label = "Maximum Thread";
  d.kind = kPropertyBoundedNumber;
  d.integer = 16;
  d.minimum = 1;
  d.maximum = 64;
  const int id = rows.AddItem(d);
  EXPECT_FALSE(rows.CommitNumber(id, "65"));
  EXPECT_EQ(rows.Items()[0].integer, 16);
  EXPECT_FALSE(rows.CommitNumber(id, ""));  // reads as 0
  EXPECT_FALSE(rows.CommitNumber(id, "99999999999999999999"));
  EXPECT_TRUE(rows.CommitNumber(id, "64"));
  EXPECT_TRUE(rows.CommitNumber(id, "1"));
  EXPECT_TRUE(rows.CommitNumber(id, "12abc"));  // read like atol
  EXPECT_EQ(rows.Items()[0].integer, 12);
  EXPECT_FALSE(rows.CommitNumber(99, "5"));

  EXPECT_EQ(BoundsMessage(1, 64), "Please enter a number between 1 and 64");
  EXPECT_STREQ(kBoundsCaption, "Invalid Value");
}

TEST(PropertyRows, ValuesAreFoundByExactLabelAndChecksInvert) {
  PropertyRows rows;
  rows.AddCategory("Filter", kPropertyCategory, 0);
  PropertyItemDesc d;
  d.label = "Hide Full";
  d.kind = kPropertyCheck;
  d.flag = 1;
  rows.AddItem(d);
  d.flag = 0;
  rows.AddItem(d);  // same label again: the first one answers
  std::int32_t flag = -1;
  EXPECT_TRUE(rows.GetBool("Hide Full", flag));
  EXPECT_EQ(flag, 1);
  EXPECT_FALSE(rows.GetBool("hide full", flag));

  EXPECT_FALSE(rows.Toggle(1));  // category: nothing
  EXPECT_TRUE(rows.Toggle(2));
  EXPECT_TRUE(rows.Toggle(2));
  rows.GetBool("Hide Full", flag);
  EXPECT_EQ(flag, 1);

  // Categories take the defaults: open form, 8-point Arial.
  const PropertyItem& category = rows.Items()[0];
  EXPECT_EQ(category.openMode, 1);
  EXPECT_EQ(category.font, PropertyFont{});
  EXPECT_EQ(category.font.faceName, "Arial");

  rows.SetRowTextColor(MakeColor(1, 2, 3));
  for (const PropertyItem& item : rows.Items()) EXPECT_EQ(item.textColor, MakeColor(1, 2, 3));
  PropertyItemDesc late;
  late.label = "late";
  rows.AddItem(late);
  EXPECT_EQ(rows.Items().back().textColor, 0u);  // new rows start black

  EXPECT_TRUE(rows.RemoveItem(1));
  EXPECT_EQ(rows.Items()[0].id, 1);
  EXPECT_EQ(rows.Items()[0].label, "Hide Full");
  EXPECT_FALSE(rows.RemoveItem(9));
}

TEST(PropertyRows, FileFiltersSplitIntoDescriptionAndPatternPairs) {
  auto pairs = SplitFileFilter("Quake III |*.exe|All Files (*.*)|*.*|");
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"Quake III ", "*.exe"}));
  EXPECT_EQ(pairs[1], (std::pair<std::string, std::string>{"All Files (*.*)", "*.*"}));
  EXPECT_TRUE(SplitFileFilter("").empty());
  EXPECT_EQ(SplitFileFilter("Lonely|").size(), 0u);
}

}  // namespace
}  // namespace vyk
