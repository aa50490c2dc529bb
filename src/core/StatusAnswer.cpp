#include "core/StatusAnswer.h"

#include <algorithm>
#include <cstdint>

namespace vyk {

namespace {

// Nothing after a zero byte is ever seen: game texts are C strings.
std::string_view UpToZero(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

unsigned char LowerAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Keys compare as strcasecmp does in the C locale: lower case, unsigned bytes.
bool KeyLess(const StatusAnswer::PairSlot& a, const StatusAnswer::PairSlot& b) {
  const std::size_t n = std::min(a.key.size(), b.key.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = LowerAscii(static_cast<unsigned char>(a.key[i]));
    const unsigned char y = LowerAscii(static_cast<unsigned char>(b.key[i]));
    if (x != y) return x < y;
  }
  return a.key.size() < b.key.size();
}

// Next field of a backslash-separated text: a run of backslashes is one
// separator and empty fields do not exist.
bool NextField(std::string_view* rest, std::string_view* field) {
  const std::size_t begin = rest->find_first_not_of('\\');
  if (begin == std::string_view::npos) {
    *rest = {};
    return false;
  }
  rest->remove_prefix(begin);
  const std::size_t end = std::min(rest->find('\\'), rest->size());
  *field = rest->substr(0, end);
  rest->remove_prefix(end);
  return true;
}

bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

void SkipSpace(std::string_view* text) {
  std::size_t i = 0;
  while (i < text->size() && IsCSpace((*text)[i])) ++i;
  text->remove_prefix(i);
}

// scanf's "%d": blanks, an optional sign, at least one decimal digit. A number beyond
// the int range stops at its end (scanf would leave it undefined, and glibc wraps it).
bool ScanInt(std::string_view* text, int* out) {
  SkipSpace(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < text->size() && ((*text)[i] == '+' || (*text)[i] == '-')) negative = (*text)[i++] == '-';
  const std::size_t digits = i;
  constexpr std::int64_t kLimit = std::int64_t{INT32_MAX} + 1;
  std::int64_t value = 0;
  for (; i < text->size() && (*text)[i] >= '0' && (*text)[i] <= '9'; ++i)
    value = std::min(kLimit, value * 10 + ((*text)[i] - '0'));
  if (i == digits) return false;
  text->remove_prefix(i);
  *out = static_cast<int>(negative ? -value : std::min(value, kLimit - 1));
  return true;
}

// The read of one player line, as sscanf(line, "%d %d \"%32[^\"]\"", ...) does it:
// each value is stored only when it and those before it were read.
void ScanPlayerLine(std::string_view line, int* score, int* ping, std::string* name) {
  if (!ScanInt(&line, score) || !ScanInt(&line, ping)) return;
  SkipSpace(&line);
  if (line.empty() || line.front() != '"') return;
  line.remove_prefix(1);
  const std::size_t length = std::min(
      {line.find('"'), line.size(), static_cast<std::size_t>(StatusAnswer::kMaxPlayerName)});
  if (length > 0) *name = std::string(line.substr(0, length));
}

}  // namespace

void StatusAnswer::Clear() {
  for (PairSlot& slot : pairs_) slot = {};
  pairCount_ = 0;
  playerCount_ = 0;
  players_.Clear();
}

const StatusAnswer::PairSlot& StatusAnswer::Pair(int index) const {
  static const PairSlot kEmpty;
  if (index < 0 || index >= kPairSlots) return kEmpty;
  return pairs_[static_cast<std::size_t>(index)];
}

int StatusAnswer::Parse(std::string_view answer) {
  const int pairs = ParsePairs(answer);
  return pairs + ParsePlayers(answer);
}

int StatusAnswer::ParsePairs(std::string_view answer) {
  for (PairSlot& slot : pairs_) slot = {};
  pairCount_ = 0;
  std::string_view rest = UpToZero(answer).substr(0, kPairSearchBytes);
  const std::size_t firstSlash = rest.find('\\');
  if (firstSlash == std::string_view::npos) return 0;
  rest.remove_prefix(firstSlash);
  // The info string is one line; the player lines after its newline are no
  // fields of it, not even when the last field is a key without a value.
  rest = rest.substr(0, rest.find('\n'));

  std::string_view key;
  while (pairCount_ < kMaxPairs && NextField(&rest, &key)) {
    std::string_view value;
    if (!NextField(&rest, &value)) value = {};
    PairSlot& slot = pairs_[static_cast<std::size_t>(pairCount_)];
    slot.key = std::string(key.substr(0, kMaxKey));
    slot.value = std::string(value.substr(0, kMaxValue));
    ++pairCount_;
  }
  std::stable_sort(pairs_.begin(), pairs_.begin() + pairCount_, KeyLess);
  return pairCount_;
}

std::optional<InfoPairPlace> FindInfoPair(std::string_view answer, std::string_view key) {
  const std::string_view searched = UpToZero(answer).substr(0, StatusAnswer::kPairSearchBytes);
  const std::size_t firstSlash = searched.find('\\');
  if (firstSlash == std::string_view::npos) return std::nullopt;
  std::string_view rest = searched.substr(firstSlash);
  rest = rest.substr(0, rest.find('\n'));
  std::string_view field;
  while (NextField(&rest, &field)) {
    InfoPairPlace place;
    place.begin = static_cast<std::size_t>(field.data() - answer.data()) - 1;
    place.end = place.begin + 1 + field.size();
    const bool wanted = field == key;
    if (NextField(&rest, &field)) {
      place.value = field;
      place.end = static_cast<std::size_t>(field.data() - answer.data()) + field.size();
    }
    if (wanted) return place;
  }
  return std::nullopt;
}

int StatusAnswer::ParsePlayers(std::string_view answer) {
  players_.Clear();
  playerCount_ = 0;
  std::string_view rest = UpToZero(answer);
  // Numbers a line does not supply carry over from the line before.
  int score = 0;
  int ping = 999;
  int lineIndex = 0;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    if (line.empty()) continue;
    if (lineIndex++ < 2) continue;  // header and info string
    std::string name;
    ScanPlayerLine(line, &score, &ping, &name);
    PlayerInfo player;
    player.name = std::move(name);
    player.ping = ping;
    player.score = score;
    player.isBuddy = false;
    players_.Add(player);  // an empty name is not added
    ++playerCount_;
  }
  return playerCount_;
}

}  // namespace vyk
