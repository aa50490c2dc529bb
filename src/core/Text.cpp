#include "core/Text.h"

#include <limits>

namespace vyk {
namespace {

// Digits after the value has reached this are read but no longer added.
constexpr std::int64_t kLeadingWideStop = 1'000'000'000'000;

}  // namespace

std::string Trim(std::string_view text, std::string_view blanks) {
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(blanks);
  return std::string(text.substr(first, last - first + 1));
}

std::int64_t ParseLeadingWide(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < kLeadingWideStop) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

std::int32_t ParseLeadingInt(std::string_view text) {
  const std::int64_t value = ParseLeadingWide(text);
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value < kMin ? kMin : value > kMax ? kMax : value);
}

}  // namespace vyk
