#include "core/TextEncoding.h"

namespace vyk {
namespace {

void AppendLatin1(std::string& out, unsigned char c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char ch : text) AppendLatin1(out, static_cast<unsigned char>(ch));
  return out;
}

std::string PrintableText(const std::string& text, bool keepLines) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool control = c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0);
    if (control && !(keepLines && (c == '\n' || c == '\t')))
      out.push_back('?');
    else
      AppendLatin1(out, c);
  }
  return out;
}

}  // namespace vyk
