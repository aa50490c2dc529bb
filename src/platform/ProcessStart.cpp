#include "platform/ProcessStart.h"

namespace vyk {
namespace {

bool IsSeparator(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (true) {
    while (i < n && IsSeparator(text[i])) ++i;
    if (i >= n) break;
    if (text[i] == '"') {
      std::size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) {
        args.emplace_back(text.substr(i + 1));
        break;
      }
      args.emplace_back(text.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    std::size_t start = i;
    while (i < n && !IsSeparator(text[i]) && text[i] != '"') ++i;
    args.emplace_back(text.substr(start, i - start));
  }
  return args;
}

}  // namespace vyk
