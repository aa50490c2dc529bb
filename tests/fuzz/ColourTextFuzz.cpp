// Names with the game's colour codes, as servers send them: code stripping,
// the layout of coloured text, the colour-name order, the IRC colouring of the
// summary line and the text conversions for terminals and JSON.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "config/SummaryLine.h"
#include "core/ColourCodes.h"
#include "core/TextEncoding.h"

namespace {

using namespace vyk;

int Width(unsigned char c) {
  return 1 + c % 9;
}

// True when `shorter` can be had from `whole` by leaving characters out.
bool IsSubsequence(const std::string& shorter, const std::string& whole) {
  std::size_t at = 0;
  for (char c : whole)
    if (at < shorter.size() && shorter[at] == c) ++at;
  return at == shorter.size();
}

void CheckStrip(const std::string& text) {
  const std::string stripped = StripColourCodes(text);
  // Codes come out two characters at a time, and nothing else does.
  FUZZ_CHECK(stripped.size() <= text.size() && (text.size() - stripped.size()) % 2 == 0);
  FUZZ_CHECK(IsSubsequence(stripped, text));
  if (text.find('^') == std::string::npos) FUZZ_CHECK(stripped == text);
}

void CheckLayout(const std::string& text) {
  const int left = 10;
  const ColourTextLayout layout = LayoutColourText(text, left, 5, 16, Width);
  int advance = 0;
  std::size_t characters = 0;
  for (const ColourTextOp& op : layout.ops) {
    if (op.kind == ColourTextOp::Kind::Character) {
      FUZZ_CHECK(op.ch != '"');
      FUZZ_CHECK(op.y == 5);
      advance += Width(op.ch);
      ++characters;
    } else {
      FUZZ_CHECK(op.size == 8 && op.x >= left);
    }
  }
  FUZZ_CHECK(characters <= text.size());
  FUZZ_CHECK(layout.left == left + advance);
}

void CheckOrder(const std::string& a, const std::string& b, const std::string& c) {
  const int ab = CompareColourNames(a, b);
  FUZZ_CHECK(ab >= -1 && ab <= 1);
  FUZZ_CHECK(CompareColourNames(a, a) == 0);
  FUZZ_CHECK(CompareColourNames(b, a) == -ab);
  // The order is a total one: no cycles among three names.
  const int bc = CompareColourNames(b, c);
  if (ab <= 0 && bc <= 0) FUZZ_CHECK(CompareColourNames(a, c) <= 0);
}

void CheckEncoding(const std::string& text) {
  const std::string utf8 = Latin1ToUtf8(text);
  FUZZ_CHECK(vyk::fuzz::IsValidUtf8(utf8));
  // Back to Latin-1: the same bytes.
  std::string back;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      back += static_cast<char>(c);
    } else {
      FUZZ_CHECK((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size());
      back += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    }
  }
  FUZZ_CHECK(back == text);

  for (bool keepLines : {false, true}) {
    const std::string shown = PrintableText(text, keepLines);
    FUZZ_CHECK(vyk::fuzz::IsValidUtf8(shown));
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(shown[i]);
      if (keepLines && (c == '\n' || c == '\t')) continue;
      FUZZ_CHECK(c >= 0x20 && c != 0x7F);
      // No C1 control character (U+0080 to U+009F) either.
      if (c == 0xC2 && i + 1 < shown.size())
        FUZZ_CHECK(static_cast<unsigned char>(shown[i + 1]) >= 0xA0);
    }
  }
}

// The target's work on one input.
void CheckText(const std::string& text) {
  CheckStrip(text);
  CheckLayout(text);
  CheckEncoding(text);

  // Three names: the text cut at its first two line feeds.
  const std::size_t first = std::min(text.find('\n'), text.size());
  const std::size_t second =
      std::min(text.find('\n', std::min(first + 1, text.size())), text.size());
  const std::string a = text.substr(0, first);
  const std::string b =
      text.substr(std::min(first + 1, text.size()), second - std::min(first + 1, text.size()));
  const std::string c = text.substr(std::min(second + 1, text.size()));
  CheckOrder(a, b, c);
  CheckOrder(c, a, b);
  CheckOrder(b, c, a);

  const int colour = text.empty() ? 0 : static_cast<unsigned char>(text[0]);
  const std::string irc = IrcColor(colour, text);
  FUZZ_CHECK(irc.size() == text.size() + std::to_string(colour).size() + 3);
  FUZZ_CHECK(irc.front() == '\x03' && irc.back() == '\x03');

  std::int32_t numbers[4] = {};
  for (std::size_t i = 0; i < 16 && i < text.size(); ++i)
    numbers[i / 4] = static_cast<std::int32_t>(static_cast<std::uint32_t>(numbers[i / 4]) << 8 |
                                               static_cast<unsigned char>(text[i]));
  for (bool coloured : {false, true}) {
    const std::string banner =
        FormatVersionBanner(coloured, numbers[0], numbers[1], numbers[2], numbers[3]);
    FUZZ_CHECK(banner.find(" Finder ver ") != std::string::npos);
  }
}

}  // namespace

VYK_FUZZ_TEXT_TARGET(CheckText)
