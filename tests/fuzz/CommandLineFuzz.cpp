// Parameter text of a game start, split into arguments as StartProcess does.
// No argument holds a double quote, and the arguments, each written in double
// quotes and joined by blanks, split back into the same arguments. Nothing is
// started.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "platform/ProcessStart.h"

namespace {

bool IsSeparator(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return -1;
  const std::string_view text = vyk::fuzz::Bytes(data, size);
  const std::vector<std::string> args = vyk::SplitCommandLine(text);

  std::size_t kept = 0;
  for (const std::string& arg : args) {
    FUZZ_CHECK(arg.find('"') == std::string::npos);
    kept += arg.size();
  }
  FUZZ_CHECK(kept <= text.size());

  // Text without quotes splits at its separators only.
  if (text.find('"') == std::string_view::npos) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
      if (!IsSeparator(c)) {
        word += c;
      } else if (!word.empty()) {
        words.push_back(word);
        word.clear();
      }
    }
    if (!word.empty()) words.push_back(word);
    FUZZ_CHECK(args == words);
  }

  std::string quoted;
  std::string plain;  // quotes only where a blank or emptiness needs them
  for (const std::string& arg : args) {
    quoted += " \"" + arg + "\"";
    bool needsQuotes = arg.empty();
    for (char c : arg) needsQuotes = needsQuotes || IsSeparator(c);
    plain += needsQuotes ? " \"" + arg + "\"" : " " + arg;
  }
  FUZZ_CHECK(vyk::SplitCommandLine(quoted) == args);
  FUZZ_CHECK(vyk::SplitCommandLine(plain) == args);
  return 0;
}
