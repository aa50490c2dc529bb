#include "config/PropertyRows.h"

#include <algorithm>

#include "core/Text.h"

namespace vyk {

void PropertyRows::ResetContent() {
  items_.clear();
  firstShown_ = 1;
  shownCount_ = 0;
}

int PropertyRows::AddCategory(const std::string& label, std::int32_t kind, std::intptr_t userData) {
  PropertyItemDesc desc;
  desc.label = label;
  desc.kind = kind;
  desc.userData = userData;
  return AddItem(desc);
}

int PropertyRows::AddItem(const PropertyItemDesc& desc) {
  PropertyItem item;
  static_cast<PropertyItemDesc&>(item) = desc;
  item.id = Count() + 1;
  items_.push_back(std::move(item));
  Relayout();
  return Count();
}

bool PropertyRows::RemoveItem(int id) {
  if (id < 1 || id > Count()) return false;
  items_.erase(items_.begin() + (id - 1));
  for (int i = 0; i < Count(); ++i) items_[i].id = i + 1;
  Relayout();
  return true;
}

void PropertyRows::SetRowTextColor(Color colour) {
  rowTextColor_ = colour;
  for (PropertyItem& item : items_) item.textColor = colour;
}

PropertyItem* PropertyRows::ById(int id) {
  return id >= 1 && id <= Count() ? &items_[id - 1] : nullptr;
}

const PropertyItem* PropertyRows::ById(int id) const {
  return id >= 1 && id <= Count() ? &items_[id - 1] : nullptr;
}

PropertyItem* PropertyRows::Find(const std::string& label) {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [&](const PropertyItem& item) { return item.label == label; });
  return it == items_.end() ? nullptr : &*it;
}

const PropertyItem* PropertyRows::Find(const std::string& label) const {
  return const_cast<PropertyRows*>(this)->Find(label);
}

bool PropertyRows::GetText(const std::string& label, std::string& out) const {
  const PropertyItem* item = Find(label);
  if (item) out = item->text;
  return item != nullptr;
}

bool PropertyRows::GetInt(const std::string& label, std::int32_t& out) const {
  const PropertyItem* item = Find(label);
  if (item) out = item->integer;
  return item != nullptr;
}

bool PropertyRows::GetBool(const std::string& label, std::int32_t& out) const {
  const PropertyItem* item = Find(label);
  if (item) out = item->flag;
  return item != nullptr;
}

bool PropertyRows::GetColor(const std::string& label, Color& out) const {
  const PropertyItem* item = Find(label);
  if (item) out = item->colour;
  return item != nullptr;
}

bool PropertyRows::GetFont(const std::string& label, PropertyFont& out) const {
  const PropertyItem* item = Find(label);
  if (item) out = item->font;
  return item != nullptr;
}

bool PropertyRows::SetText(const std::string& label, const std::string& text) {
  PropertyItem* item = Find(label);
  if (item) item->text = text;
  return item != nullptr;
}

bool PropertyRows::SetInt(const std::string& label, std::int32_t value) {
  PropertyItem* item = Find(label);
  if (item) item->integer = value;
  return item != nullptr;
}

bool PropertyRows::SetColor(const std::string& label, Color colour) {
  PropertyItem* item = Find(label);
  if (item) item->colour = colour;
  return item != nullptr;
}

bool PropertyRows::SetFont(const std::string& label, const PropertyFont& font) {
  PropertyItem* item = Find(label);
  if (item) item->font = font;
  return item != nullptr;
}

bool PropertyRows::SetOptions(const std::string& label, const std::vector<std::string>& options) {
  PropertyItem* item = Find(label);
  if (item) item->options = options;
  return item != nullptr;
}

void PropertyRows::Layout(int clientWidth, int clientHeight, int captionHeight) {
  clientWidth_ = std::max(clientWidth, 0);
  clientHeight_ = std::max(clientHeight, 0);
  captionHeight_ = std::max(captionHeight, 1);
  Relayout();
}

void PropertyRows::Relayout() {
  const int c = captionHeight_;
  const int height = c + 2;
  const int stride = height - 1;  // neighbours share a border line
  capacity_ = 0;
  while (capacity_ * stride + height + 3 <= clientHeight_) ++capacity_;
  firstShown_ = std::clamp(firstShown_, 1, std::max(1, Count()));
  shownCount_ = 0;
  const int left = 0;
  const int right = clientWidth_;
  const int split = 35 * (left + right) / 100;
  for (PropertyItem& item : items_) {
    const int k = item.id - firstShown_;
    item.shown = false;
    if (k < 0) continue;
    const int top = k * stride;
    const int bottom = top + height;
    item.rowRect = {left, top, right, bottom};
    item.labelRect = {left + 2, top, split, bottom};
    item.valueRect = {split, top + 1, right - c, bottom};
    item.buttonRect = item.kind == kPropertyFile
                          ? PropertyRect{right - c, top + 1, right, top + 1 + c}
                          : PropertyRect{};
    if (bottom + 3 > clientHeight_) continue;
    item.shown = true;
    ++shownCount_;
  }
}

int PropertyRows::LastPosition() const {
  return std::max(1, Count() - shownCount_ + 1);
}

int PropertyRows::Scroll(PropertyScroll action, int thumbPosition) {
  const int page = shownCount_ - 1;
  int first = firstShown_;
  switch (action) {
    case PropertyScroll::kLineUp:
      first -= 1;
      break;
    case PropertyScroll::kLineDown:
      first += 1;
      break;
    case PropertyScroll::kPageUp:
      first -= page;
      break;
    case PropertyScroll::kPageDown:
      first += page;
      break;
    case PropertyScroll::kTop:
      first = 1;
      break;
    case PropertyScroll::kBottom:
      first = LastPosition();
      break;
    case PropertyScroll::kThumb:
      first = thumbPosition + 1;
      break;
  }
  firstShown_ = std::clamp(first, 1, LastPosition());
  Relayout();
  return firstShown_;
}

PropertyHit PropertyRows::HitTest(int x, int y) const {
  for (const PropertyItem& item : items_) {
    if (!item.shown) continue;
    if (item.valueRect.Contains(x, y)) return {item.id, PropertyArea::kValue};
    if (item.kind == kPropertyFile && item.buttonRect.Contains(x, y))
      return {item.id, PropertyArea::kButton};
  }
  return {};
}

bool PropertyRows::Toggle(int id) {
  PropertyItem* item = ById(id);
  if (!item || item->kind != kPropertyCheck) return false;
  item->flag = !item->flag;
  return true;
}

bool PropertyRows::CommitNumber(int id, const std::string& text) {
  PropertyItem* item = ById(id);
  if (!item) return false;
  const std::int32_t value = ParseLeadingInt(text);
  if (value < item->minimum || value > item->maximum) return false;
  item->integer = value;
  return true;
}

std::string BoundsMessage(std::int32_t minimum, std::int32_t maximum) {
  return "Please enter a number between " + std::to_string(minimum) + " and " +
         std::to_string(maximum);
}

std::vector<std::pair<std::string, std::string>> SplitFileFilter(const std::string& filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < filter.size()) {
    std::size_t bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) pairs.emplace_back(parts[i], parts[i + 1]);
  return pairs;
}

}  // namespace vyk
