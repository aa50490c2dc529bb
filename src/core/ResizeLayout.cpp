#include "core/ResizeLayout.h"

#include <cstdint>

namespace vyk {

bool ResizeLayout::SharesValid(const Shares& s) const {
  for (int v : {s.left, s.top, s.width, s.height})
    if (v < 0 || v > whole_) return false;
  return s.left + s.width <= whole_ && s.top + s.height <= whole_;
}

bool ResizeLayout::Add(const Shares& s) {
  if (!SharesValid(s)) return false;
  Item item;
  item.shares = s;
  items_.push_back(item);
  return true;
}

bool ResizeLayout::Distribute(int delta, int share, int whole, std::int32_t& remainder, int& value,
                              bool clamp) {
  if (share <= 0 || whole <= 0) return false;
  // 64-bit: a huge window change times a share must not overflow.
  const std::int64_t a = static_cast<std::int64_t>(delta) * share + remainder;
  if (a == 0) {
    // The change exactly used up the carried amount; keeping the old remainder would
    // lose it a second time on the next change.
    remainder = 0;
    return false;
  }
  const int before = value;
  std::int64_t v = value + a / whole;
  std::int64_t rem = a % whole;
  if (clamp && v < 0) {
    rem = a % whole + v * whole;
    v = 0;
  }
  value = static_cast<int>(v);
  remainder = static_cast<std::int32_t>(rem);
  return value != before;
}

void ResizeLayout::Apply(int dx, int dy, std::vector<Rect>& rects, std::vector<bool>& changed) {
  changed.assign(rects.size(), false);
  for (std::size_t i = 0; i < items_.size() && i < rects.size(); ++i) {
    Item& it = items_[i];
    Rect& r = rects[i];
    bool moved = Distribute(dx, it.shares.left, whole_, it.remLeft, r.x, false);
    moved |= Distribute(dx, it.shares.width, whole_, it.remWidth, r.w, true);
    moved |= Distribute(dy, it.shares.top, whole_, it.remTop, r.y, false);
    moved |= Distribute(dy, it.shares.height, whole_, it.remHeight, r.h, true);
    changed[i] = moved;
  }
}

}  // namespace vyk
