#include <gtest/gtest.h>

#include "core/ResizeLayout.h"

namespace vyk {
namespace {

using Rect = ResizeLayout::Rect;

// One control; returns its rectangle after each size change in turn.
struct OneControl {
  ResizeLayout layout;
  Rect rect;
  OneControl(ResizeLayout::Shares s, Rect r) : rect(r) { EXPECT_TRUE(layout.Add(s)); }
  bool Change(int dx, int dy) {
    std::vector<Rect> rects{rect};
    std::vector<bool> changed;
    layout.Apply(dx, dy, rects, changed);
    rect = rects[0];
    return changed[0];
  }
};

TEST(ResizeLayout, RefusesSharesOutsideTheWhole) {
  ResizeLayout l;
  EXPECT_FALSE(l.Add({-1, 0, 0, 0}));
  EXPECT_FALSE(l.Add({0, 101, 0, 0}));
  EXPECT_FALSE(l.Add({60, 0, 50, 0}));
  EXPECT_FALSE(l.Add({0, 51, 0, 50}));
  EXPECT_EQ(l.Count(), 0);
  EXPECT_TRUE(l.Add({100, 0, 0, 100}));
  EXPECT_TRUE(l.Add({50, 50, 50, 50}));
  EXPECT_EQ(l.Count(), 2);
}

TEST(ResizeLayout, ZeroSharesNeverMove) {
  OneControl c({0, 0, 0, 0}, {10, 20, 30, 40});
  EXPECT_FALSE(c.Change(100, -50));
  EXPECT_FALSE(c.Change(-7, 3));
  EXPECT_EQ(c.rect.x, 10);
  EXPECT_EQ(c.rect.h, 40);
}

TEST(ResizeLayout, FullLeftShareKeepsSizeAndDistanceFromTheRightEdge) {
  OneControl c({100, 100, 0, 0}, {300, 200, 50, 14});
  EXPECT_TRUE(c.Change(37, -12));
  EXPECT_EQ(c.rect.x, 337);
  EXPECT_EQ(c.rect.y, 188);
  EXPECT_EQ(c.rect.w, 50);
  EXPECT_EQ(c.rect.h, 14);
}

TEST(ResizeLayout, HalfSharesCarryOddPixels) {
  OneControl c({50, 50, 50, 50}, {100, 100, 100, 100});
  EXPECT_FALSE(c.Change(1, 1));  // half a pixel is carried, nothing moves yet
  EXPECT_EQ(c.rect.x, 100);
  EXPECT_TRUE(c.Change(1, 1));
  EXPECT_EQ(c.rect.x, 101);
  EXPECT_EQ(c.rect.w, 101);
  // Many small changes add up exactly, in both directions.
  for (int i = 0; i < 9; ++i) c.Change(1, -1);
  EXPECT_EQ(c.rect.x, 105);  // 11 pixels wider in all: 5 whole, half carried
  EXPECT_EQ(c.rect.y, 97);   // 2 up, 9 down: -7 in all: -3 whole, half carried
  c.Change(1, -1);
  EXPECT_EQ(c.rect.x, 106);
  EXPECT_EQ(c.rect.y, 96);
}

TEST(ResizeLayout, NegativeRemaindersKeepTheSignOfTheChange) {
  std::int32_t rem = 0;
  int value = 10;
  EXPECT_FALSE(ResizeLayout::Distribute(-1, 50, 100, rem, value, false));
  EXPECT_EQ(value, 10);
  EXPECT_EQ(rem, -50);
  EXPECT_TRUE(ResizeLayout::Distribute(-1, 50, 100, rem, value, false));
  EXPECT_EQ(value, 9);
  EXPECT_EQ(rem, 0);
}

TEST(ResizeLayout, SizesClampAtZeroAndComeBackOnlyAtTheVanishingSize) {
  OneControl c({0, 0, 100, 100}, {0, 0, 10, 10});
  c.Change(-30, 0);
  EXPECT_EQ(c.rect.w, 0);
  c.Change(10, 0);
  EXPECT_EQ(c.rect.w, 0);  // 20 of the lost pixels still to regain
  c.Change(9, 0);
  EXPECT_EQ(c.rect.w, 0);
  c.Change(1, 0);
  EXPECT_EQ(c.rect.w, 0);  // back at the size where it vanished
  c.Change(5, 0);
  EXPECT_EQ(c.rect.w, 5);
  c.Change(15, 0);
  EXPECT_EQ(c.rect.w, 20);
  // Positions are not clamped.
  OneControl p({100, 0, 0, 0}, {5, 0, 10, 10});
  p.Change(-20, 0);
  EXPECT_EQ(p.rect.x, -15);
}

TEST(ResizeLayout, OtherWholesAndHugeChanges) {
  OneControl c({0, 0, 0, 0}, {});
  ResizeLayout l(1000);
  ASSERT_TRUE(l.Add({0, 0, 333, 0}));
  EXPECT_FALSE(l.Add({0, 0, 1001, 0}));
  std::vector<Rect> rects{{0, 0, 100, 100}};
  std::vector<bool> changed;
  for (int i = 0; i < 3; ++i) l.Apply(1000, 0, rects, changed);
  EXPECT_EQ(rects[0].w, 100 + 999);
  std::int32_t rem = 0;
  int v = 0;
  ResizeLayout::Distribute(2000000000, 100, 100, rem, v, false);  // no overflow
  EXPECT_EQ(v, 2000000000);
}

}  // namespace
}  // namespace vyk
