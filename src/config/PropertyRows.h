#pragma once
// The rows of the property list without any window: values, bounds, the row geometry,
// scrolling and hit testing. The list widget draws and edits what this holds.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/PropertyItemDesc.h"

namespace vyk {

// Half-open rectangle: right and bottom are outside, as the platform's rectangles are.
struct PropertyRect {
  int left = 0, top = 0, right = 0, bottom = 0;

  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  PropertyRect Shrunk(int by) const { return {left + by, top + by, right - by, bottom - by}; }
  bool operator==(const PropertyRect&) const = default;
};

struct PropertyItem : PropertyItemDesc {
  int id = 0;           // 1-based position
  Color textColor = 0;  // black until SetRowTextColor
  bool shown = false;
  PropertyRect rowRect;
  PropertyRect labelRect;
  PropertyRect valueRect;
  PropertyRect buttonRect;  // kind 6 only
};

enum class PropertyScroll { kLineUp, kLineDown, kPageUp, kPageDown, kTop, kBottom, kThumb };

enum class PropertyArea { kNone, kValue, kButton };

struct PropertyHit {
  int id = 0;  // 0: no row
  PropertyArea area = PropertyArea::kNone;
};

class PropertyRows {
 public:
  void ResetContent();
  // A row with every other field zero or empty; returns its identifier.
  int AddCategory(const std::string& label, std::int32_t kind, std::intptr_t userData);
  int AddItem(const PropertyItemDesc& desc);
  // Later rows move up one place and take the identifier of their new position.
  bool RemoveItem(int id);
  void SetRowTextColor(Color colour);
  Color RowTextColor() const { return rowTextColor_; }

  int Count() const { return static_cast<int>(items_.size()); }
  const std::vector<PropertyItem>& Items() const { return items_; }
  PropertyItem* ById(int id);
  const PropertyItem* ById(int id) const;
  // First row whose label equals the text exactly, letter case included.
  PropertyItem* Find(const std::string& label);
  const PropertyItem* Find(const std::string& label) const;

  // Getters and setters by label: false when no row has that label.
  bool GetText(const std::string& label, std::string& out) const;
  bool GetInt(const std::string& label, std::int32_t& out) const;
  bool GetBool(const std::string& label, std::int32_t& out) const;
  bool GetColor(const std::string& label, Color& out) const;
  bool GetFont(const std::string& label, PropertyFont& out) const;
  bool SetText(const std::string& label, const std::string& text);
  bool SetInt(const std::string& label, std::int32_t value);
  bool SetColor(const std::string& label, Color colour);
  bool SetFont(const std::string& label, const PropertyFont& font);
  bool SetOptions(const std::string& label, const std::vector<std::string>& options);

  // Places the rows from the first shown one in a client area of that size; every row is
  // captionHeight + 2 high and overlaps the previous one by a pixel. Rows whose bottom
  // + 3 falls outside the client area are hidden, and so are rows above the first shown.
  void Layout(int clientWidth, int clientHeight, int captionHeight);
  int FirstShown() const { return firstShown_; }
  int ShownCount() const { return shownCount_; }
  // Rows that fit in the client area, whatever the first shown row.
  int Capacity() const { return capacity_; }
  // The last first-shown position: count - shown + 1, never below 1.
  int LastPosition() const;
  // Moves the first shown row (thumb: scroll position, first shown - 1) and lays out again.
  // Returns the new first shown row.
  int Scroll(PropertyScroll action, int thumbPosition = 0);
  // Scroll bar position for the first shown row.
  int ScrollPosition() const { return firstShown_ - 1; }

  // The shown row whose value area, or whose "..." button, holds the point.
  PropertyHit HitTest(int x, int y) const;

  // Kind 10: inverts the flag. False for any other kind.
  bool Toggle(int id);
  // Kinds 2 and 3: the text read like atol becomes the value when it lies within the
  // row's bounds; otherwise the row keeps its value and false comes back.
  bool CommitNumber(int id, const std::string& text);

 private:
  void Relayout();

  std::vector<PropertyItem> items_;
  int firstShown_ = 1;
  int shownCount_ = 0;
  int capacity_ = 0;
  int clientWidth_ = 0, clientHeight_ = 0, captionHeight_ = 0;
  Color rowTextColor_ = 0;
};

// "Please enter a number between %d and %d" filled with the bounds.
std::string BoundsMessage(std::int32_t minimum, std::int32_t maximum);
inline constexpr const char* kBoundsCaption = "Invalid Value";

// "desc|pattern|desc|pattern|" as the file dialog takes it, split into pairs. A trailing
// description without its pattern is dropped.
std::vector<std::pair<std::string, std::string>> SplitFileFilter(const std::string& filter);

}  // namespace vyk
