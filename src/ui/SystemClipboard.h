#pragma once
#include <string>

#include "config/Clipboard.h"

namespace vyk {

// The desktop's clipboard; 8-bit text goes on it as Latin-1.
class SystemClipboard : public Clipboard {
 public:
  bool SetText(const std::string& text) override;
};

}  // namespace vyk
