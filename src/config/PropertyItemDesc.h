#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/Settings.h"

namespace vyk {

// Row kinds of the property list; the numbers are stored and compared as they are.
enum PropertyKind : std::int32_t {
  kPropertyText = 1,
  kPropertyNumber = 2,
  kPropertyBoundedNumber = 3,
  kPropertyFont = 4,
  kPropertyColour = 5,
  kPropertyFile = 6,
  kPropertyChoice = 7,
  kPropertyCheck = 10,
  kPropertyCategory = 11,
};

// A logical font as the font dialog takes it; 8-point Arial unless set.
struct PropertyFont {
  std::string faceName = "Arial";
  std::int32_t pointSize = 8;
  std::int32_t weight = 400;  // 400 normal, 700 bold
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;

  bool operator==(const PropertyFont&) const = default;
};

// What a caller fills to add a row. Only the fields of the row's kind matter.
struct PropertyItemDesc {
  std::string label;  // caption, and the key the caller reads the value back by
  std::int32_t kind = kPropertyText;
  std::intptr_t userData = 0;
  std::string text;                  // kinds 1, 6, 7
  std::int32_t integer = 0;          // kinds 2, 3
  std::int32_t minimum = 0;          // kinds 2, 3, inclusive
  std::int32_t maximum = 0;          // kinds 2, 3, inclusive
  std::vector<std::string> options;  // kind 7
  std::int32_t editable = 0;         // kind 7: an edit field as well as the list
  std::string fileFilter;            // kind 6: "description|pattern|" pairs
  std::int32_t openMode = 1;         // kind 6: open form when set, save form otherwise
  std::int32_t flag = 0;             // kind 10
  PropertyFont font;                 // kind 4
  Color colour = 0;                  // kind 5
};

}  // namespace vyk
