#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/Settings.h"

namespace vyk {

// The fixed colours of the codes ^0 to ^9; independent of the user's colours.
inline constexpr std::array<Color, 10> kColourCodePalette = {
    MakeColor(128, 128, 128), MakeColor(255, 0, 0),     MakeColor(0, 120, 0),
    MakeColor(220, 190, 20),  MakeColor(0, 0, 230),     MakeColor(0, 160, 160),
    MakeColor(160, 0, 160),   MakeColor(200, 200, 200), MakeColor(255, 0, 0),
    MakeColor(0, 120, 0)};
inline constexpr Color kColourTextStart = kColourCodePalette[7];

// Removes "^0", then "^1", ... "^9", one pass each; dot markers and quotes stay.
std::string StripColourCodes(const std::string& text);

// One thing to paint. Positions are absolute, in the caller's coordinates.
struct ColourTextOp {
  enum class Kind { Character, Dot };
  Kind kind = Kind::Character;
  Color colour = kColourTextStart;
  int x = 0;
  int y = 0;
  unsigned char ch = 0;  // Character
  int size = 0;          // Dot: width and height of the circle
};

struct ColourTextLayout {
  std::vector<ColourTextOp> ops;
  int left = 0;  // the rectangle's left edge after every character drawn
};

// Width of one character in the font in use.
using CharWidthFn = std::function<int(unsigned char)>;

// Decides what DrawColourText paints into the rectangle (left, top) - (right, bottom):
// colour codes, dot markers ("\" + six characters, the sixth selects), skipped double
// quotes, and one op per character at left + indent with the left edge advanced by its
// width. Nothing is clipped here; the painter clips to the rectangle.
ColourTextLayout LayoutColourText(const std::string& text, int left, int top, int height,
                                  const CharWidthFn& charWidth);

// Sort order of the colour combo box: codes stripped, then only the leading run of ASCII
// letters of each name counts, compared byte-wise. <0, 0, >0 like strcmp.
int CompareColourNames(const std::string& a, const std::string& b);

}  // namespace vyk
