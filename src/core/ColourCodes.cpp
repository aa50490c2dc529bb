#include "core/ColourCodes.h"

#include <cstring>
#include <optional>

namespace vyk {

std::string StripColourCodes(const std::string& text) {
  std::string out = text;
  char code[3] = {'^', '0', '\0'};
  for (char digit = '0'; digit <= '9'; ++digit) {
    code[1] = digit;
    // One left-to-right pass; a code that a removal joins is left for a later digit's pass.
    std::string::size_type pos = 0;
    while ((pos = out.find(code, pos)) != std::string::npos) out.erase(pos, 2);
  }
  return out;
}

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

constexpr std::string::size_type kMarkerLength = 7;  // backslash, five ignored, selector

// The colour of the dot a marker's selector draws; none for the selectors that draw none.
std::optional<Color> MarkerDotColour(char selector) {
  switch (selector) {
    case 'B':
      return kColourCodePalette[4];
    case 'R':
      return kColourCodePalette[1];
    case 'S':
      return kColourCodePalette[6];
    default:
      return std::nullopt;
  }
}

}  // namespace

ColourTextLayout LayoutColourText(const std::string& text, int left, int top, int height,
                                  const CharWidthFn& charWidth) {
  ColourTextLayout layout;
  Color colour = kColourTextStart;
  int indent = 0;
  const std::string::size_type n = text.size();
  for (std::string::size_type i = 0; i < n;) {
    const char c = text[i];
    if (c == '^' && i + 1 < n && IsDigit(text[i + 1])) {
      colour = kColourCodePalette[text[i + 1] - '0'];
      i += 2;
      continue;
    }
    if (c == '\\') {
      // A marker cut short by the end of the text cannot be read: the rest is not drawn.
      if (n - i < kMarkerLength) break;
      const char selector = text[i + 6];
      i += kMarkerLength;
      const int dotSize = height / 2;
      if (const std::optional<Color> dotColour = MarkerDotColour(selector)) {
        ColourTextOp op;
        op.kind = ColourTextOp::Kind::Dot;
        op.colour = *dotColour;
        op.x = left;
        op.y = top + (height - dotSize) / 2;
        op.size = dotSize;
        layout.ops.push_back(op);
      }
      indent = selector == 'D' ? 0 : dotSize + 3;
      continue;
    }
    if (c == '"') {
      ++i;
      continue;
    }
    ColourTextOp op;
    op.colour = colour;
    op.x = left + indent;
    op.y = top;
    op.ch = static_cast<unsigned char>(c);
    layout.ops.push_back(op);
    left += charWidth(op.ch);
    ++i;
  }
  layout.left = left;
  return layout;
}

namespace {

std::string LeadingLetters(const std::string& name) {
  std::string::size_type end = 0;
  while (end < name.size()) {
    const char c = name[end];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) break;
    ++end;
  }
  return name.substr(0, end);
}

}  // namespace

int CompareColourNames(const std::string& a, const std::string& b) {
  const std::string ka = LeadingLetters(StripColourCodes(a));
  const std::string kb = LeadingLetters(StripColourCodes(b));
  const int r = std::strcmp(ka.c_str(), kb.c_str());
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace vyk
