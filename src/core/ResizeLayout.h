#pragma once
#include <cstdint>
#include <vector>

namespace vyk {

// The arithmetic of the proportional dialog layout: each registered control takes a fixed
// share (out of `whole`) of every change of the client size for its left edge, top edge,
// width and height. Fractions of a pixel are carried per control and edge, so repeated
// small changes add up exactly.
class ResizeLayout {
 public:
  struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
  };
  struct Shares {
    int left = 0, top = 0, width = 0, height = 0;
  };

  explicit ResizeLayout(int whole = 100) : whole_(whole > 0 ? whole : 100) {}

  int Whole() const { return whole_; }
  void SetWhole(int whole) { whole_ = whole > 0 ? whole : 100; }

  // Refused when a share is negative or above the whole, or left + width or
  // top + height exceeds it.
  bool SharesValid(const Shares& s) const;
  bool Add(const Shares& s);
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }

  // Moves value by share/whole of delta plus the carried remainder. Widths and heights
  // clamp at zero, remembering the lost amount so they come back only when it is regained.
  // Returns whether value changed.
  static bool Distribute(int delta, int share, int whole, std::int32_t& remainder, int& value,
                         bool clamp);

  // Applies the size change (dx, dy) to every item's rectangle (rects[i] is item i's, in
  // registration order); changed[i] tells whether item i moved or resized.
  void Apply(int dx, int dy, std::vector<Rect>& rects, std::vector<bool>& changed);

 private:
  struct Item {
    std::int32_t remLeft = 0, remTop = 0, remWidth = 0, remHeight = 0;
    Shares shares;
  };
  int whole_;
  std::vector<Item> items_;
};

}  // namespace vyk
