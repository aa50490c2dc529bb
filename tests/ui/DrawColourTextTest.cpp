#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "UiTestUtil.h"
#include "core/ColourCodes.h"
#include "ui/widgets/ColourTextPainter.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {
namespace {

using test::CountColour;
using test::CountPixels;

const Color kRed = MakeColor(255, 0, 0);
const Color kBlue = MakeColor(0, 0, 230);
const Color kWhite = MakeColor(200, 200, 200);

class DrawColourTextTest : public ::testing::Test {
 protected:
  DrawColourTextTest()
      : image_(300, 40, QImage::Format_RGB32), font_(QStringLiteral("DejaVu Sans")) {
    image_.fill(Qt::black);
    font_.setPixelSize(24);
    font_.setBold(true);
    // Plain colours on the pixels, so the test can look for exact palette values.
    font_.setStyleStrategy(QFont::NoAntialias);
  }

  // Draws into rect and returns the rectangle's left edge afterwards.
  int Draw(QRect rect, const std::string& text) {
    QPainter p(&image_);
    p.setFont(font_);
    p.setPen(Qt::green);
    DrawColourText(p, rect, text);
    EXPECT_EQ(p.pen().color(), QColor(Qt::green));  // the caller's colour comes back
    EXPECT_FALSE(p.hasClipping());
    return rect.left();
  }
  int W(char c) const { return QFontMetrics(font_).horizontalAdvance(QLatin1Char(c)); }
  bool Blank(const QRect& r) const {
    return CountPixels(image_, r, [](QRgb p) { return qRed(p) || qGreen(p) || qBlue(p); }) == 0;
  }

  QImage image_;
  QFont font_;
};

TEST_F(DrawColourTextTest, EachCharacterInItsCodeColourAndTheEdgeAdvances) {
  const int left = Draw(QRect(10, 0, 280, 40), "HH^1HH^4H");
  const int w = W('H');
  EXPECT_EQ(left, 10 + 5 * w);
  EXPECT_GT(CountColour(image_, QRect(10, 0, 2 * w, 40), kWhite), 20);
  EXPECT_EQ(CountColour(image_, QRect(10, 0, 2 * w, 40), kRed), 0);
  EXPECT_GT(CountColour(image_, QRect(10 + 2 * w, 0, 2 * w, 40), kRed), 20);
  EXPECT_GT(CountColour(image_, QRect(10 + 4 * w, 0, w, 40), kBlue), 20);
  EXPECT_TRUE(Blank(QRect(10 + 5 * w + 2, 0, 100, 40)));
}

TEST_F(DrawColourTextTest, ClippedToTheRectangle) {
  const QRect rect(20, 5, 40, 30);
  Draw(rect, "WWWWWWWWWWWW");
  EXPECT_TRUE(Blank(QRect(0, 0, 20, 40)));
  EXPECT_TRUE(Blank(QRect(60, 0, 240, 40)));
  EXPECT_TRUE(Blank(QRect(0, 35, 300, 5)));
  EXPECT_FALSE(Blank(rect));
}

TEST_F(DrawColourTextTest, CodesOnlyDrawNothing) {
  EXPECT_EQ(Draw(QRect(10, 0, 100, 40), "^1^2\"\""), 10);
  EXPECT_TRUE(Blank(image_.rect()));
}

TEST_F(DrawColourTextTest, DotMarkerPaintsACircleWithoutAdvancing) {
  // Rectangle 30 high: the dot is 15 wide, centred vertically, text indented by 18.
  const int left = Draw(QRect(0, 0, 200, 30), "\\xxxxxRH");
  EXPECT_EQ(left, W('H'));
  EXPECT_TRUE(test::SameRgb(image_.pixel(7, 14), kRed));
  EXPECT_TRUE(Blank(QRect(0, 0, 15, 6)));  // above the dot
  EXPECT_GT(CountColour(image_, QRect(18, 0, W('H'), 30), kWhite), 20);
  EXPECT_TRUE(Blank(QRect(16, 0, 2, 30)));  // the indent gap
}

TEST_F(DrawColourTextTest, Latin1CharactersAreDrawnAndMeasured) {
  const QChar e(0xE9);
  const int left = Draw(QRect(0, 0, 200, 40), "\xE9");
  EXPECT_EQ(left, QFontMetrics(font_).horizontalAdvance(e));
  EXPECT_FALSE(Blank(QRect(0, 0, left, 40)));
}

}  // namespace
}  // namespace vyk
