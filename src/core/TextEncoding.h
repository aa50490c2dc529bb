#pragma once
// Game texts are 8-bit Latin-1; a terminal or a JSON document wants UTF-8.
#include <string>

namespace vyk {

// Every byte as the Latin-1 character of the same number, in UTF-8. Never
// fails, whatever the bytes.
std::string Latin1ToUtf8(const std::string& text);

// Latin1ToUtf8 with every control character (C0, DEL and C1) replaced by '?',
// so a server's text cannot move the cursor or send escape sequences to the
// terminal it is printed on. Line feeds and tabs stay when keepLines is set.
std::string PrintableText(const std::string& text, bool keepLines = false);

}  // namespace vyk
